// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "user_interaction.h"

namespace {
YieldHandler &yieldHandler()
{
    static YieldHandler handler;
    return handler;
}

MessageHandler &messageHandler()
{
    static MessageHandler handler;
    return handler;
}
} // namespace

void setYieldHandler(YieldHandler handler)
{
    yieldHandler() = std::move(handler);
}

void setMessageHandler(MessageHandler handler)
{
    messageHandler() = std::move(handler);
}

void YieldToWindow()
{
    if (yieldHandler())
        yieldHandler()();
}

int ShowMessage(const QString &prompt, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? QString::fromUtf16(ApplicationTitle) : title;
    if (messageHandler())
        return messageHandler()(prompt, shownTitle, style);
    return (style & 0x0F) == MsgYesNo ? AnswerNo : AnswerOk;
}
