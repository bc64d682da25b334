/* Stands in for the Quorvane texture converter. Installed as Contents/Tools/PVRTexTool in a Unity
 * editor bundle, it hands every call on unchanged to Unity's own tool, kept beside it as
 * PVRTexTool_org, so the bundle goes on converting textures as before. */

#include <errno.h>
#include <libgen.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#include <stdint.h>
#endif

/* The installer knows an installed converter by this text. Nothing reads it here; `used` keeps
 * it in the binary whatever the optimiser and the linker make of that. */
__attribute__((used)) static const char marker[] =
    "MirrelGUID={4E680F12-D865-449F-BBB5-637D1C30F35D}";

/* Writes this executable's path, links resolved, as the system tells it to `self` (PATH_MAX
 * bytes). Returns 0, or -1 when the system can't tell. */
static int reportedPath(char* self)
{
#if defined(__APPLE__)
    char path[PATH_MAX];
    uint32_t size = sizeof path;
    return _NSGetExecutablePath(path, &size) == 0 && realpath(path, self) ? 0 : -1;
#elif defined(__linux__)
    const ssize_t length = readlink("/proc/self/exe", self, PATH_MAX - 1);
    if (length < 0)
        return -1;
    self[length] = '\0';
    return 0;
#else
    (void)self;
    return -1;
#endif
}

/* Writes the path of Unity's tool, PVRTexTool_org in this executable's folder, to `path`: the
 * folder as the system tells it, else as the name this program was called by gives it, taken
 * against the working directory. Returns NULL, or why the folder can't be found. */
static const char* originalToolPath(const char* calledBy, char* path, size_t size)
{
    char self[PATH_MAX];
    if (reportedPath(self) != 0) {
        /* A name without a folder was looked up in PATH, which says nothing of where. */
        if (calledBy == NULL || strchr(calledBy, '/') == NULL)
            return "the name it was called by holds no folder";
        if (realpath(calledBy, self) == NULL)
            return strerror(errno);
    }
    if ((size_t)snprintf(path, size, "%s/PVRTexTool_org", dirname(self)) >= size)
        return strerror(ENAMETOOLONG);
    return NULL;
}

int main(int argc, char* argv[])
{
    char original[PATH_MAX];
    const char* failure = originalToolPath(argc > 0 ? argv[0] : NULL, original, sizeof original);
    if (failure != NULL) {
        fprintf(stderr, "mirrel: can't find this program's own folder: %s\n", failure);
        return 126;
    }
    execv(original, argv);
    fprintf(stderr, "mirrel: can't run Unity's texture tool %s: %s\n", original, strerror(errno));
    return errno == ENOENT ? 127 : 126;
}
