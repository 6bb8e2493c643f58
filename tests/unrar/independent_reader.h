// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Runs the independent reader (python3-rarfile, through rarfile_listing.py)
// on one archive and parses its JSON-lines listing.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

struct ReaderMember {
    QString name; // '\' between parts
    qint64 size = 0;
    bool directory = false;
    bool encrypted = false;
    bool solid = false;
};

struct ReaderListing {
    bool ran = false;   // the reader could be run at all
    QString status;     // "ok", "encrypted-headers" or "error"
    QString error;      // why it failed
    QJsonValue comment; // string or null
    std::vector<ReaderMember> members;
};

inline ReaderListing readWithRarfile(const QString &archive, qint64 offset = 0)
{
    ReaderListing out;
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(RARFILE_LISTING_SCRIPT), archive, QString::number(offset)});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        out.error = QString::fromUtf8(process.readAllStandardError());
        return out;
    }
    out.ran = true;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.contains(QStringLiteral("status"))) {
            out.status = o.value(QStringLiteral("status")).toString();
            out.error = o.value(QStringLiteral("message")).toString();
            out.comment = o.value(QStringLiteral("comment"));
            continue;
        }
        ReaderMember m;
        m.name = o.value(QStringLiteral("name")).toString();
        m.size = o.value(QStringLiteral("size")).toInteger();
        m.directory = o.value(QStringLiteral("dir")).toBool();
        m.encrypted = o.value(QStringLiteral("encrypted")).toBool();
        m.solid = o.value(QStringLiteral("solid")).toBool();
        out.members.push_back(m);
    }
    return out;
}
