#pragma once
// Seam over the windowing calls: the UI thread's COM apartment, creating the main window and its
// buttons, the message loop, PostQuitMessage and the own executable's path.
#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/String.h"

namespace toolkit {

struct ButtonDefinition {
    int left = 0, top = 0, width = 75, height = 25;  // at 96 pixels per inch
    String caption;
};

struct FontDefinition {
    String name = u"Tahoma";
    int height = -11;  // character height in pixels at 96 pixels per inch
};

struct WindowDefinition {
    String className;
    String caption;
    int clientWidth = 0, clientHeight = 0;  // at 96 pixels per inch
    bool sizeable = true;
    bool ownTaskbarButton = true;
    FontDefinition font;
    std::vector<ButtonDefinition> buttons;  // in tab order
};

// What the window reports to the layer above. Implementations must not throw:
// the window procedure is no place for an exception.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void ButtonClicked(std::size_t buttonIndex) noexcept = 0;
    virtual void CloseRequested() noexcept = 0;
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;  // destroys the window
};

class WindowingApi {
public:
    virtual ~WindowingApi() = default;
    // COM for the UI thread (single-threaded apartment), kept until this object goes.
    virtual void InitializeUiThread() = 0;
    // Creates the window hidden, at the system's default position.
    virtual std::unique_ptr<NativeWindow> CreateMainWindow(const WindowDefinition& definition,
                                                           WindowEvents& events) = 0;
    // Shows the window, then handles messages until the quit message; returns its exit code.
    virtual int RunMessageLoop(NativeWindow& mainWindow) = 0;
    virtual void PostQuit(int exitCode) = 0;
    virtual String ExecutablePath() = 0;
};

}  // namespace toolkit
