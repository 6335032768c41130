#pragma once

// The access lists the installer package gives what it installs, in SDDL.

// The install root's: protected from what the folders above it grant, SYSTEM and Administrators
// with full control, inherited by everything below (the program directory, and a hotfix
// directory created later), and no entry for anyone else: users can neither change, nor read,
// run, hold open or lock what the service runs and writes.
constexpr const char* kInstallRootSddl = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Added to what bin\QeltWatch.exe inherits: it is the Event Log's message file, so whoever shows
// the service's events (an administrator's viewer without elevation, a forwarder under its own
// service account) must read it. Users may read and run it, and nothing more.
constexpr const char* kMessageFileSddl = "D:(A;;0x1200a9;;;BU)";
