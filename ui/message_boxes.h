// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The window's modal messages behind one small interface, so the engine's
// messages and the window's own go the same way and tests can record them
// and script the answers.
#pragma once

#include <QString>

class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows prompt with title; style is a MessageStyle combination (buttons
    // plus icon). Returns a MessageAnswer.
    virtual int show(const QString &prompt, const QString &title, int style) = 0;
};

// Real modal message boxes, centred on the parent window.
class DialogMessageBoxes : public MessageBoxes {
public:
    explicit DialogMessageBoxes(QWidget *parent = nullptr);
    int show(const QString &prompt, const QString &title, int style) override;

private:
    QWidget *m_parent;
};
