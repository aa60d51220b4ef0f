# The release packages hold the terminal for their machine, the host
# simulator, a VRK.ini the terminal can read, and the guide with its pictures.
import struct, sys, zipfile

keys = ["Version", "CommPort", "BaudRate", "ShiftLock", "DdeServiceName", "LocalEcho", "WriteLog", "ImsApi", "EnableUndo", "AutoReconnect", "AutoConnect"]
for name, machine in [("win64", 0x8664), ("win32", 0x14C)]:
    with zipfile.ZipFile(f"{sys.argv[1]}/VRK-2.0-{name}.zip") as package:
        assert sorted(package.namelist()) == ["VRK.exe", "VRK.ini", "guide-ja.md", "host_sim.exe", "main-window-144dpi.png",
                                              "main-window.png", "port-dialog.png"], package.namelist()
        for exe in ["VRK.exe", "host_sim.exe"]:
            image = package.read(exe)
            header = struct.unpack_from("<I", image, 0x3C)[0]
            assert image[header:header + 4] == b"PE\0\0" and struct.unpack_from("<H", image, header + 4)[0] == machine, exe
        settings = package.read("VRK.ini").decode("cp932")
        assert "\r\n[VRK]\r\n" in settings and all(f"\r\n{key}=" in settings for key in keys), settings
print("packages hold what an operator needs")
