#include "tools/driving/serial_ports.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>
#include <initguid.h>

#include <devguid.h>

#include <cwchar>

// The devices registered here are named ROOT\VRKDRIVING\nnnn.
static const wchar_t kEnumerator[] = L"VRKDRIVING";

bool ListSerialPorts(const std::vector<std::string> &names, bool replace)
{
    static const char kList[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
    if (replace)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kList);
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kList, 0, NULL, REG_OPTION_VOLATILE, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return false;
    for (size_t i = 0; i < names.size(); ++i)
        RegSetValueExA(key, ("\\Device\\Listed" + std::to_string(i)).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE *>(names[i].c_str()), static_cast<DWORD>(names[i].size() + 1));
    RegCloseKey(key);
    return true;
}

bool RegisterPortDevice(const std::string &port, const std::wstring &friendlyName)
{
    HDEVINFO devices = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, NULL);
    if (devices == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    std::wstring portName(port.begin(), port.end());
    bool registered =
        SetupDiCreateDeviceInfoW(devices, kEnumerator, &GUID_DEVCLASS_PORTS, NULL, NULL, DICD_GENERATE_ID, &device) &&
        SetupDiRegisterDeviceInfo(devices, &device, 0, NULL, NULL, NULL) &&
        SetupDiSetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME,
                                          reinterpret_cast<const BYTE *>(friendlyName.c_str()),
                                          static_cast<DWORD>((friendlyName.size() + 1) * sizeof(wchar_t)));
    HKEY key = registered ? SetupDiCreateDevRegKeyW(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, NULL, NULL)
                          : static_cast<HKEY>(INVALID_HANDLE_VALUE);
    registered = key != INVALID_HANDLE_VALUE &&
                 RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE *>(portName.c_str()),
                                static_cast<DWORD>((portName.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (key != INVALID_HANDLE_VALUE)
        RegCloseKey(key);
    SetupDiDestroyDeviceInfoList(devices);
    return registered;
}

void RemovePortDevices()
{
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, NULL, NULL, 0);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const std::wstring ours = std::wstring(L"ROOT\\") + kEnumerator + L"\\";
    // From the last, so that a removal cannot move one not yet looked at.
    DWORD count = 0;
    while (SetupDiEnumDeviceInfo(devices, count, &device))
        ++count;
    for (DWORD index = count; index-- > 0;) {
        wchar_t id[MAX_DEVICE_ID_LEN] = L"";
        if (SetupDiEnumDeviceInfo(devices, index, &device) &&
            SetupDiGetDeviceInstanceIdW(devices, &device, id, MAX_DEVICE_ID_LEN, NULL) &&
            std::wcsncmp(id, ours.c_str(), ours.size()) == 0)
            SetupDiRemoveDevice(devices, &device);
    }
    SetupDiDestroyDeviceInfoList(devices);
}
