// Writes every picture, sound, the music and the data files of the game into a directory:
//
//   assetgen <out-dir> [--sheet <contact-sheet.png>] [--preview <title-screen.png>]
//
// The output is the same, byte for byte, on every run.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/sheet.h"

namespace {

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    if (art::WriteBytes(path.string(), bytes)) return true;
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
    return false;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: assetgen <out-dir> [--sheet <file.png>] [--preview <file.png>]\n");
        return 2;
    }
    std::filesystem::path out = argv[1];
    std::string sheet, preview;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sheet") == 0)
            sheet = argv[i + 1];
        else if (std::strcmp(argv[i], "--preview") == 0)
            preview = argv[i + 1];
        else {
            std::fprintf(stderr, "assetgen: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    std::filesystem::create_directories(out / "graphics");
    std::filesystem::create_directories(out / "sounds");

    bool ok = true;
    std::vector<assets::Picture> pictures = assets::MakePictures();
    for (const assets::Picture& p : pictures) ok &= Write(out / p.file, art::EncodeBmp(p.image));
    for (const assets::Picture& icon : assets::MakeIcons()) {
        std::filesystem::create_directories((out / icon.file).parent_path());
        ok &= art::WritePng((out / icon.file).string(), icon.image);
    }
    for (const assets::Sound& s : assets::MakeEffects()) ok &= Write(out / s.file, s.bytes);
    ok &= Write(out / "sounds/music.xm", assets::MakeMusic());
    std::vector<assets::TextFile> texts = assets::MakeTexts();
    for (const assets::TextFile& t : texts)
        ok &= Write(out / t.file, std::vector<uint8_t>(t.text.begin(), t.text.end()));
    ok &= Write(out / "prefs.prf", assets::MakeDefaultPrefs());

    if (!sheet.empty()) ok &= art::WritePng(sheet, assets::ContactSheet(pictures, texts));
    if (!preview.empty()) ok &= art::WritePng(preview, assets::TitlePreview(pictures, texts));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
}
