// Program entry: one start is one update run.
#include "app/DozevedAzovu_f.h"
#include "toolkit/win32/Win32Os.h"
#include "toolkit/win32/Wide.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    toolkit::win32::Win32Os os;
    return toolkit::RunProgram(os.Services(), [](toolkit::TApplication& Application) {
        Application.Initialize();
        Application.MainFormOnTaskbar = true;
        Application.CreateForm<TfDozevedAzovu>();
        Application.Run();
    });
}
