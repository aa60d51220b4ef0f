#include "tools/driving/serial_ports.h"

#include <windows.h>

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
