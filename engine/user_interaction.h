// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The engine's two seams towards the window: yielding to pending window
// messages in long loops, and modal messages. Both default to doing nothing
// visible, so the engine runs without a window (tests, benchmarks).
#pragma once

#include <QString>

#include <functional>

// Message-box styles (values of the classic toolkit's MsgBox styles).
enum MessageStyle : int {
    MsgOkOnly = 0,
    MsgYesNo = 4,
    MsgCritical = 16,
    MsgExclamation = 48,
};

// Answers a message box returns.
enum MessageAnswer : int {
    AnswerOk = 1,
    AnswerYes = 6,
    AnswerNo = 7,
};

inline constexpr char16_t ApplicationTitle[] = u"Marrowfen";

using YieldHandler = std::function<void()>;
using MessageHandler = std::function<int(const QString &prompt, const QString &title, int style)>;

// Install the handlers; an empty function restores the default.
void setYieldHandler(YieldHandler handler);
void setMessageHandler(MessageHandler handler);

// Lets pending window events run (no-op without a window).
void YieldToWindow();

// Shows a modal message and returns the answer. An empty title means the
// application title. Without a handler it answers OK (or No to a question).
int ShowMessage(const QString &prompt, int style = MsgOkOnly, const QString &title = QString());
