#include "power_off_windows.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace vortlen {

namespace {

// The platform id of the running system; 0 when even the basic version record is refused.
DWORD platformId() {
  OSVERSIONINFOEXA extended{};
  extended.dwOSVersionInfoSize = sizeof(extended);
  // GetVersionEx is deprecated in newer SDKs but still answers, and it is the query that
  // tells the NT family from the older one.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) return extended.dwPlatformId;
  OSVERSIONINFOA basic{};
  basic.dwOSVersionInfoSize = sizeof(basic);
  const BOOL answered = GetVersionExA(&basic);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return answered ? basic.dwPlatformId : 0;
}

void enableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

}  // namespace

void WindowsPowerOff::powerOff() {
  // Windows 95/98/Me have no privileges to enable; the NT family needs the shutdown one.
  if (platformId() > VER_PLATFORM_WIN32_WINDOWS) enableShutdownPrivilege();
  ExitWindowsEx(EWX_SHUTDOWN, 0);
}

}  // namespace vortlen
