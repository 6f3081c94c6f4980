#pragma once
// Answers the program's dialogs in tests and remembers what was asked.
#include "core/prompts.h"

#include <QList>

class PromptRecorder {
public:
    PromptRecorder() {
        prompts::SetHook([this](const prompts::Request &r) {
            asked.append(r);
            if (!answers.isEmpty()) return answers.takeFirst();
            return prompts::Answer{};
        });
    }
    ~PromptRecorder() { prompts::SetHook({}); }

    QStringList Texts() const {
        QStringList t;
        for (const auto &r : asked) t << r.text;
        return t;
    }

    QList<prompts::Request> asked;
    QList<prompts::Answer> answers; // given in order; then OK/Yes with empty text
};
