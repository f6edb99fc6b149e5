// The signals that ask a tool to stop (SIGINT, SIGTERM, SIGHUP), held back
// while it changes a folder, so that it can first put the folder back.
//
// No handler is installed: the signals are blocked in the calling thread,
// which the tools' commands run on alone once their computing threads have
// ended, and stay pending. The work looks for them between two of its steps,
// where it knows what to undo, and undoes it in ordinary code, so nothing of
// that has to be async-signal-safe. When the object goes, the old mask comes
// back and a pending signal takes its course: by default it ends the process
// as that signal does (status 130, 143 or 129 in a shell). A signal that was
// ignored when the object was made stays ignored and is not held.
#pragma once

#include <csignal>
#include <string>

namespace opbaff::tools {

class HeldInterrupts {
  public:
    HeldInterrupts();
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;
    ~HeldInterrupts();

    // The first held signal that has arrived, or 0.
    int pending();

    // A descriptor that polls readable once a held signal is pending (-1 if
    // there is none to poll).
    int descriptor() const { return descriptor_; }

  private:
    sigset_t held_{};
    sigset_t previous_{};
    int descriptor_ = -1;
    int arrived_ = 0;
};

// "SIGTERM" for SIGTERM.
std::string signalName(int signal);

}  // namespace opbaff::tools
