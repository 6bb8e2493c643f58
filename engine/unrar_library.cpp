// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "unrar_library.h"

#include <QDir>
#include <QFileInfo>

namespace {
const UnrarFunctions *g_installed = nullptr;
constexpr char kLibraryDownload[] = "https://www.rarlab.com/rar_add.htm";

template<typename Function>
bool resolve(QLibrary &library, const char *name, Function &target, QStringList &missing)
{
    target = reinterpret_cast<Function>(library.resolve(name));
    if (!target)
        missing << QString::fromLatin1(name);
    return target != nullptr;
}
} // namespace

QString UnrarLibrary::fileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("unrar.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libunrar.dylib");
#else
    return QStringLiteral("libunrar.so");
#endif
}

QString UnrarLibrary::missingPrompt()
{
    return QStringLiteral("The file \"%1\" needs to be in the same folder as this program.").arg(fileName())
        + QStringLiteral("\r\nIt was distributed with this program, but if you want an original copy, you can get it "
                         "from the same place I did:\r\n")
        + QLatin1String(kLibraryDownload);
}

QString UnrarLibrary::loadFailurePrompt(const QString &path) const
{
    return QStringLiteral("The file \"%1\" could not be loaded as the archive library:\r\n%2")
        .arg(QDir::toNativeSeparators(path), m_error);
}

bool UnrarLibrary::load(const QString &path)
{
    m_loaded = false;
    m_functions = {};
    const QFileInfo file(path);
    if (!file.isFile()) {
        m_error = file.exists() ? QStringLiteral("%1 is not a file").arg(path)
                                : QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    // An absolute file name stops QLibrary from trying other names or folders.
    m_library.setFileName(QFileInfo(path).absoluteFilePath());
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    QStringList missing;
    UnrarFunctions f;
    resolve(m_library, "RAROpenArchive", f.openArchive, missing);
    resolve(m_library, "RARSetPassword", f.setPassword, missing);
    resolve(m_library, "RARReadHeader", f.readHeader, missing);
    resolve(m_library, "RARProcessFile", f.processFile, missing);
    resolve(m_library, "RARCloseArchive", f.closeArchive, missing);
    if (!missing.isEmpty()) {
        m_error = QStringLiteral("%1 lacks the function(s) %2").arg(path, missing.join(QStringLiteral(", ")));
        m_library.unload();
        return false;
    }
    f.setCallback = reinterpret_cast<decltype(f.setCallback)>(m_library.resolve("RARSetCallback"));
    m_functions = f;
    m_error.clear();
    m_loaded = true;
    return true;
}

void setArchiveLibrary(const UnrarFunctions *functions)
{
    g_installed = functions;
}

const UnrarFunctions *archiveLibrary()
{
    return g_installed;
}
