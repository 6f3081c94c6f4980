#pragma once
// What Vellicor and its window module share. The module alone links Qt, so
// Vellicor still starts where Qt is not installed; it loads the module from
// its own folder only where there is a display to show the window on.
#include <cstdint>

// The serving the window shows and drives. The module reaches the server only
// through this table of virtual functions, so it needs none of Vellicor's symbols.
class ServingTask {
public:
    // True when every byte went out.
    virtual bool Serve() = 0;
    // Drops the connection so that the requester sees it broken, not complete.
    virtual void Abort() = 0;
    virtual int64_t Total() const = 0;
    virtual int64_t Sent() const = 0;

protected:
    ~ServingTask() = default;
};

inline constexpr const char *kWindowModule = "libvellicor-window.so";

// The module's one entry point, looked up by this name: serves the task with
// the window shown while it runs and returns the exit status. program is
// argv[0]; path and requester are the served file and the requester's name.
inline constexpr const char *kWindowEntry = "vellicor_serve_with_window";
extern "C" __attribute__((visibility("default"))) int vellicor_serve_with_window(ServingTask *task, char *program,
                                                                                 const char *path,
                                                                                 const char *requester);
