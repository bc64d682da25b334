#pragma once

// Makes this process subject to file modes, which root ignores: as root it becomes the user
// nobody for good (POSIX setgroups, setgid, setuid); any other user is subject to them already
// and stays. Returns false when the switch failed. Meant for a child process of the test.
bool dropRootPrivileges();
