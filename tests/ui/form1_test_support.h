// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Shared pieces of the window tests: scripted message boxes, a folder of
// archives, and a Form1 started on it with the archive library loaded.
#pragma once

#include "message_boxes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

class Form1;
class QListWidget;

struct ShownMessage {
    QString prompt;
    QString title;
    int style;
};

// Records every message and answers from a script (OK, or No to a
// question, once the script is used up).
class ScriptedMessageBoxes : public MessageBoxes {
public:
    int show(const QString &prompt, const QString &title, int style) override;
    void setNextAnswer(int answer) { m_answers.push_back(answer); }

    QList<ShownMessage> shown;
    QStringList titles() const;

private:
    std::deque<int> m_answers;
};

// Fills folder with the demo archives and "Broken.rsn" (no archive at all),
// then starts a Form1 on it with the built library; null when that fails.
std::unique_ptr<Form1> startOnDemoFolder(const QString &folder, ScriptedMessageBoxes &messages);

// The folder holding the built archive library.
QString builtLibraryFolder();

// Writes a RAR 5 archive with the given members (name, data) into folder.
bool writeArchive(const QString &path, const QList<QPair<QString, QByteArray>> &members);

// The texts of a list's items, in order.
QStringList itemTexts(const QListWidget *list);

// The folder the window starts on is the process's current folder.
void startIn(const QString &folder);

// Reads a whole file ("" when it cannot be read).
QByteArray fileBytes(const QString &path);
