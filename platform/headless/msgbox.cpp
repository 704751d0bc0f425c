#include "platform/msgbox.h"

#include "platform/clock.h"
#include "platform/core/dialog_runtime.h"
#include "platform/headless.h"

namespace plat {
namespace {
std::vector<headless::RecordedMessageBox> boxes;
}

void ShowMessageBox(Handle owner, const char* text, const char* caption) {
    boxes.push_back({owner, text ? text : "", caption ? caption : "", TickCountMs()});
    dialog::Uncover(owner);
}

namespace headless {
const std::vector<RecordedMessageBox>& MessageBoxes() {
    return boxes;
}
void ClearMessageBoxes() {
    boxes.clear();
}
} // namespace headless

} // namespace plat
