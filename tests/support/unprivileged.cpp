#include "unprivileged.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

bool dropRootPrivileges()
{
    if (geteuid() != 0)
        return true;
    const passwd* nobody = getpwnam("nobody");
    if (!nobody)
        return false;
    const gid_t group = nobody->pw_gid;
    return setgroups(1, &group) == 0 && setgid(group) == 0 && setuid(nobody->pw_uid) == 0 &&
           geteuid() != 0;
}
