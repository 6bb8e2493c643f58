// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "paths.h"

#include <QDir>

#include <algorithm>
#include <iterator>

QChar NativeSeparator()
{
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString JoinPath(const QString &folder, const QString &name)
{
    // Qt writes folders with "/" on every platform; the paths shown to the
    // user and handed to the archive library use the platform's separator.
    const QString nativeFolder = QDir::toNativeSeparators(folder);
    if (nativeFolder.endsWith(NativeSeparator()))
        return nativeFolder + name;
    return nativeFolder + NativeSeparator() + name;
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(NativeSeparator()) + 1);
}

bool IsPathUnder(const QString &path, const QString &root)
{
    if (root.endsWith(u'/'))
        return path.startsWith(root);
    return path == root || path.startsWith(root + u'/');
}

bool IsBrowsableVolume(const QByteArray &fileSystemType, const QString &rootPath)
{
    if (rootPath == QLatin1String("/"))
        return true;
    static const QByteArray pseudoTypes[] = {
        "proc",      "sysfs",       "tmpfs",           "devtmpfs", "devpts",   "cgroup",   "cgroup2",   "securityfs",
        "pstore",    "debugfs",     "tracefs",         "configfs", "fusectl",  "mqueue",   "hugetlbfs", "bpf",
        "autofs",    "binfmt_misc", "rpc_pipefs",      "nsfs",     "efivarfs", "squashfs", "overlay",   "ramfs",
        "selinuxfs", "fuse.portal", "fuse.gvfsd-fuse", "nfsd",     "cgroupfs", "none",
    };
    if (std::find(std::begin(pseudoTypes), std::end(pseudoTypes), fileSystemType) != std::end(pseudoTypes))
        return false;
    // The system's own trees; removable media under /run/media stay.
    for (const char *system : {"/proc", "/sys", "/dev", "/snap", "/var/lib/docker", "/var/snap", "/boot/efi"}) {
        if (IsPathUnder(rootPath, QLatin1String(system)))
            return false;
    }
    if (IsPathUnder(rootPath, QStringLiteral("/run")) && !IsPathUnder(rootPath, QStringLiteral("/run/media")))
        return false;
    return true;
}
