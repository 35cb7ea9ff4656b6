// Puts label-printer drivers and queues into the spooler the way an earlier installation
// would have left them, through the real spooler of the prefix, and takes them out again.
// Also reads the state of the "spooler" service.
//
// Every function returns 0 or the system error code of the call that failed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// "TORVA Label Printer #<number>".
std::wstring LabelDriverName(int number);

// Copies the stand-in files of driver copy <number> from the media folder
// (C:\TORVA EPL Printer 2.X\Win32) into the spooler's driver directory under their
// numbered names and registers the driver at level 3: Unidrv as driver, TVLabel<n>.GPD as
// data file, UNIDRVUI.DLL as configuration module, UNIDRV.HLP as help file, the rest as
// dependent files.
DWORD AddLabelDriver(int number);

// Registers kForeignDriver, a plain Unidrv driver of another maker: the stand-in Unidrv files
// of the media, with STDNAMES.GPD as its data file. Its queues are none of the program's
// business.
inline constexpr wchar_t kForeignDriver[] = L"Generic Unidrv Label";
DWORD AddForeignDriver();

// The key of the Standard TCP/IP port monitor under ControlSet001, which Wine lacks; the
// program's address check looks for it.
DWORD AddStandardTcpIpMonitorKey();

// Creates a local queue on an existing driver (print processor WinPrint, data type RAW).
DWORD AddQueue(const std::wstring& printerName, const std::wstring& driverName,
               const std::wstring& portName = L"COM1:");

// Deletes a queue; a queue that does not exist counts as deleted.
DWORD DeleteQueue(const std::wstring& printerName);

// Renames a queue as the Printers folder and Set-Printer -NewName do: SetPrinter at level 2
// with the new name and everything else as it was.
DWORD RenameQueue(const std::wstring& from, const std::wstring& to);

// Deletes a driver of this environment; an unknown driver counts as deleted.
DWORD DeleteDriver(const std::wstring& driverName);

// The spooler's driver directory for an environment (nullptr: this machine's own); empty when
// the spooler does not know the environment.
std::wstring DriverDirectory(const wchar_t* environment = nullptr);

// The names of the drivers registered for an environment (nullptr: this machine's own).
std::vector<std::wstring> DriverNames(const wchar_t* environment = nullptr);

// Whether this runs under Wine (its ntdll says its version).
bool UnderWine();

// A print job started and left open in `queue`, as a labelling program holds one: Windows then
// keeps the queue, pending deletion, after a successful DeletePrinter. The printer handle, null
// when that failed; EndHeldJob ends the job and closes it.
HANDLE HoldJob(const std::wstring& queue);
void EndHeldJob(HANDLE printer);

// Makes a subkey of the queue's spooler key that no one may delete (`lock`), or lets it go
// again: the queue then outlives a successful DeletePrinter, as Windows keeps a queue with jobs
// pending deletion (which Wine never does). False when that failed. On Windows, where the job
// held does that itself, it does nothing.
bool LockQueueKey(const std::wstring& queue, bool lock);

// Whether a key exists under HKEY_LOCAL_MACHINE.
bool KeyExists(const wchar_t* path);

// Copy <number>'s own files (TVLabel<n>.GPD, .INI, .DLL, TVLabelE<n>.DLL, TVLabelUI<n>.DLL)
// that lie in `folder` or its version folder "3", as paths.
std::vector<std::wstring> NumberedFiles(const std::wstring& folder, int number);

struct QueueRecord {
    std::wstring printerName;
    std::wstring portName;
    std::wstring driverName;
};

// The local queues, as EnumPrinters level 2 lists them.
DWORD ListQueues(std::vector<QueueRecord>* queues);

// The queues of numbered label drivers, one "queue<TAB>driver<TAB>port" line each (UTF-8),
// sorted; a listing that fails gives one line saying so, which no expected list holds.
std::vector<std::string> LabelQueues();

// The current state of the "spooler" service (SERVICE_STOPPED 1 ... SERVICE_PAUSED 7).
DWORD SpoolerState(DWORD* state);

// Stops the spooler service and waits until it reports stopped.
DWORD StopSpooler();

}  // namespace e2e
