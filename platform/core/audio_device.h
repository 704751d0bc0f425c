// What the audio library needs from a back end: an output that pulls mixed bytes, a lock that
// keeps the output from mixing while the library changes its state, and a place to log calls.
#pragma once
#include <cstdint>
#include <string>

namespace plat::audio {

struct OutputFormat {
    int rate;     // frames per second
    int bits;     // 8 (unsigned) or 16 (signed, native order)
    int channels; // 1 or 2

    int FrameBytes() const { return bits / 8 * channels; }
    bool operator==(const OutputFormat&) const = default;
};

// Implemented by the back end. OpenOutput starts calling MixOutput (from any thread) until
// CloseOutput returns; LockOutput/UnlockOutput keep MixOutput from running in between.
bool OpenOutput(const OutputFormat& format);
void CloseOutput();
void LockOutput();
void UnlockOutput();
// Whether the back end keeps a log of library calls, and the log itself.
bool RecordsCalls();
void RecordCall(std::string call);

// Implemented by the library: fills bytes of output in the open format. The output lock is held.
void MixOutput(uint8_t* out, int bytes);
// Closes everything and forgets every module and wave, as at the start of a process.
void ResetLibrary();

// Holds the output lock for a scope.
struct OutputLock {
    OutputLock() { LockOutput(); }
    ~OutputLock() { UnlockOutput(); }
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;
};

} // namespace plat::audio
