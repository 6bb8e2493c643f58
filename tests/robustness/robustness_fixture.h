// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Shared set-up of the robustness tests: the real archive library installed
// for the engine, a scratch folder, and small byte helpers.
#pragma once

#include "rar_builder.h"
#include "unrar_library.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(testrar::Format)

inline QByteArray qbytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string le16(unsigned v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string le32(std::uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

inline testrar::Member fileMember(const std::string &name, const std::string &data = "data")
{
    testrar::Member m;
    m.name = name;
    m.data = data;
    return m;
}

inline void addFormatColumn()
{
    QTest::addColumn<testrar::Format>("format");
}

inline const char *formatName(testrar::Format format)
{
    return format == testrar::Format::Rar4 ? "RAR4" : "RAR5";
}

class ArchiveFolder {
public:
    bool installLibrary()
    {
        if (!m_library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)))
            return false;
        setArchiveLibrary(&m_library.functions());
        return m_dir.isValid();
    }
    ~ArchiveFolder() { setArchiveLibrary(nullptr); }
    QString error() const { return m_library.errorString(); }

    QString write(const QString &name, const std::string &bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!testrar::writeFile(QFile::encodeName(path).toStdString(), bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private:
    UnrarLibrary m_library;
    QTemporaryDir m_dir;
};
