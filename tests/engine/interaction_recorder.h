// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Records what the engine shows the user and how often it yields, for the
// life of the object; restores the silent defaults afterwards.
#pragma once

#include "user_interaction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct RecordedMessage {
    QString prompt;
    QString title;
    int style;
};

class InteractionRecorder {
public:
    // sequence, when given, also receives "yield" and "message" lines, so
    // they can be checked in order with the library calls.
    explicit InteractionRecorder(QStringList *sequence = nullptr)
        : m_sequence(sequence)
    {
        setYieldHandler([this] {
            ++m_yields;
            if (m_sequence)
                *m_sequence << QStringLiteral("yield");
            if (onYield)
                onYield(m_yields);
        });
        setMessageHandler([this](const QString &prompt, const QString &title, int style) {
            m_messages.append({prompt, title, style});
            if (m_sequence)
                *m_sequence << QStringLiteral("message");
            return int(AnswerOk);
        });
    }
    ~InteractionRecorder()
    {
        setYieldHandler({});
        setMessageHandler({});
    }
    InteractionRecorder(const InteractionRecorder &) = delete;
    InteractionRecorder &operator=(const InteractionRecorder &) = delete;

    int yields() const { return m_yields; }
    const QList<RecordedMessage> &messages() const { return m_messages; }

    // Runs inside each yield, with the yield's 1-based number.
    std::function<void(int)> onYield;

private:
    QStringList *m_sequence;
    int m_yields = 0;
    QList<RecordedMessage> m_messages;
};
