#include "serial/port_devices.h"

#include <initguid.h>

#include <devguid.h>

#include <algorithm>

#include "serial/port_name.h"

PortDevices::PortDevices() : devices_(SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, NULL, NULL, DIGCF_PRESENT))
{
}

PortDevices::~PortDevices()
{
    if (devices_ != INVALID_HANDLE_VALUE)
        SetupDiDestroyDeviceInfoList(devices_);
}

// The port a device serves, from the PortName value of its device key; 0
// when it has none or names no port beyond the dialog's buttons.
static int PortNumberOf(HDEVINFO devices, SP_DEVINFO_DATA *device)
{
    HKEY key = SetupDiOpenDevRegKey(devices, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return 0;
    wchar_t value[8] = L"";
    DWORD type = 0;
    DWORD bytes = sizeof value;
    LONG result = RegQueryValueExW(key, L"PortName", NULL, &type, reinterpret_cast<BYTE *>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    // Only an ASCII character can belong to a port's name.
    char name[8];
    std::size_t length = bytes / sizeof(wchar_t);
    for (std::size_t i = 0; i < length; ++i)
        name[i] = value[i] < 0x80 ? static_cast<char>(value[i]) : '?';
    return ExtraPortNumber(name, length);
}

// Another program's registry value: not trusted to be terminated.
static bool ReadFriendlyName(HDEVINFO devices, SP_DEVINFO_DATA *device, wchar_t *name, std::size_t size)
{
    DWORD type = 0;
    DWORD bytes = 0;
    BYTE *buffer = reinterpret_cast<BYTE *>(name);
    DWORD room = static_cast<DWORD>((size - 1) * sizeof(wchar_t));
    BOOL read = SetupDiGetDeviceRegistryPropertyW(devices, device, SPDRP_FRIENDLYNAME, &type, buffer, room, &bytes);
    std::size_t length = read && type == REG_SZ ? std::min<DWORD>(bytes, room) / sizeof(wchar_t) : 0;
    name[length] = L'\0';
    return name[0] != L'\0';
}

bool PortDevices::FindName(int number, wchar_t *name, std::size_t size) const
{
    if (size == 0)
        return false;
    name[0] = L'\0';
    if (devices_ == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices_, index, &device); ++index) {
        if (PortNumberOf(devices_, &device) == number)
            return ReadFriendlyName(devices_, &device, name, size);
    }
    return false;
}
