/* Stands in for the Quorvane texture converter. Installed as Contents/Tools/PVRTexTool in a Unity
 * editor bundle, it hands every call on unchanged to Unity's own tool, kept beside it as
 * PVRTexTool_org, so the bundle goes on converting textures as before. */

#include <errno.h>
#include <libgen.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

/* The installer knows an installed converter by this text. Nothing reads it here; `used` keeps
 * it in the binary whatever the optimiser and the linker make of that. */
__attribute__((used)) static const char marker[] =
    "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";

/* Writes the path of Unity's tool, PVRTexTool_org in this executable's folder, to `path`.
 * Returns 0, or -1 with errno set. */
static int originalToolPath(char* path, size_t size)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length < 0)
        return -1;
    self[length] = '\0';
    if ((size_t)snprintf(path, size, "%s/PVRTexTool_org", dirname(self)) >= size) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return 0;
}

int main(int argc, char* argv[])
{
    char original[PATH_MAX];
    (void)argc;
    if (originalToolPath(original, sizeof original) != 0) {
        fprintf(stderr, "mirrel: can't find this program's own folder: %s\n", strerror(errno));
        return 126;
    }
    execv(original, argv);
    fprintf(stderr, "mirrel: can't run Unity's texture tool %s: %s\n", original, strerror(errno));
    return errno == ENOENT ? 127 : 126;
}
