// The console or redirected standard output of a window-subsystem program. Such a program
// gets no console of its own: when started from a console without redirection it borrows
// its parent's, and when there is neither it stays silent. It never opens a console window.
#pragma once

#include <windows.h>

#include "platform/handle_win.h"
#include "platform/text_output.h"

namespace prinstall {

class WinConsoleOutput : public TextOutput {
public:
    // Finds the standard output: a file or pipe it was redirected to, a console it already
    // has, or else the console of the parent process (AttachConsole, from Windows XP on).
    WinConsoleOutput();
    WinConsoleOutput(const WinConsoleOutput&) = delete;
    WinConsoleOutput& operator=(const WinConsoleOutput&) = delete;

    // UTF-16 through WriteConsoleW to a console, UTF-8 bytes to a file or pipe; CR LF after.
    void WriteLine(const std::string& utf8) override;
    // To a console as WriteLine. To a file: UTF-8, after a byte-order mark when the file was
    // empty, so that PowerShell's Import-Csv and Get-Content read it as UTF-8. To a pipe: in
    // the code page of its reader's console (the parent's, which PowerShell decodes a
    // program's output with, [Console]::OutputEncoding) when the line can be written in it,
    // UTF-8 otherwise and when no console is found.
    void WriteDataLine(const std::string& utf8) override;
    // False when the lines go nowhere.
    bool Connected() const { return out_ != nullptr; }

private:
    HANDLE out_ = nullptr;
    bool console_ = false;
    bool dataStarted_ = false;                   // a data line was written
    UINT readerCodePage_ = 0;                    // for data lines to a pipe; 0: UTF-8
    UniqueHandle<KernelHandleTraits> attached_;  // CONOUT$ of the parent's console
};

}  // namespace prinstall
