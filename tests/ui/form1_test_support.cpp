// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "form1_test_support.h"

#include "demo_archives.h"
#include "form1.h"
#include "rar_builder.h"
#include "user_interaction.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

int ScriptedMessageBoxes::show(const QString &prompt, const QString &title, int style)
{
    shown.append({prompt, title, style});
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return (style & 0x0F) == MsgYesNo ? AnswerNo : AnswerOk;
}

QStringList ScriptedMessageBoxes::titles() const
{
    QStringList result;
    for (const ShownMessage &message : shown)
        result << message.title;
    return result;
}

std::unique_ptr<Form1> startOnDemoFolder(const QString &folder, ScriptedMessageBoxes &messages)
{
    QFile broken(QDir(folder).filePath(QStringLiteral("Broken.rsn")));
    if (!demo::writeArchives(QFile::encodeName(folder).toStdString()) || !broken.open(QIODevice::WriteOnly)
        || broken.write("This is not a RAR archive at all, just some text.\n") < 0)
        return nullptr;
    broken.close();
    startIn(folder);
    auto form = std::make_unique<Form1>(&messages);
    if (!form->Form_Load(builtLibraryFolder()))
        return nullptr;
    return form;
}

QString builtLibraryFolder()
{
    return QStringLiteral(MARROWFEN_LIBRARY_DIR);
}

bool writeArchive(const QString &path, const QList<QPair<QString, QByteArray>> &members)
{
    std::vector<testrar::Member> rarMembers;
    for (const auto &[name, data] : members) {
        testrar::Member member;
        member.name = name.toStdString();
        member.data = data.toStdString();
        rarMembers.push_back(member);
    }
    return testrar::writeFile(QFile::encodeName(path).toStdString(), testrar::build(testrar::Format::Rar5, rarMembers));
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

void startIn(const QString &folder)
{
    QDir::setCurrent(folder);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
