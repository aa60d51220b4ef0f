#include "serial/present_ports.h"

#include <windows.h>

#include <algorithm>

#include "serial/port_name.h"

int ListPresentPorts(int *numbers, int capacity)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD index = 0; count < capacity; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        char data[16];
        DWORD type = 0;
        DWORD dataSize = sizeof data;
        LONG result = RegEnumValueA(key, index, name, &nameSize, NULL, &type, reinterpret_cast<BYTE *>(data), &dataSize);
        // Only a value too big for the buffers is passed over: any other
        // failure (the key deleted while it is read, say) would come back at
        // every index, so it ends the list.
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
        // Another program's values are read for what they are: a name too
        // long for a port, or one of another type, is no port.
        int number = result == ERROR_SUCCESS && type == REG_SZ ? ExtraPortNumber(data, dataSize) : 0;
        if (number && std::find(numbers, numbers + count, number) == numbers + count)
            numbers[count++] = number;
    }
    RegCloseKey(key);
    std::sort(numbers, numbers + count);
    return count;
}
