// A stand-in for the player and the platform: it records every box the game opens,
// answers input boxes from a script, can run code while a box is "open" (timer ticks
// arriving during the modal wait), counts beeps and serves chosen random numbers.
#pragma once

#include "platform/platform.h"
#include "text/characters.h"

#include <QString>
#include <deque>
#include <functional>
#include <random>
#include <vector>

class ScriptedPlatform : public Platform {
public:
    struct Message {
        QString text;
        int style;
        QString title;
    };
    struct Prompt {
        QString prompt;
        QString title;
        int maxLength;
        QString about;
    };
    struct Reply {
        QString text;                     // what the player types ("" = cancel)
        std::function<void()> whileOpen;  // runs before the box returns
    };

    std::vector<Message> messages;
    std::vector<Prompt> prompts;
    std::deque<Reply> replies;
    std::function<void()> whileMessageOpen;
    int beeps = 0;
    int seeds = 0;

    void messageBox(const QString& text, int style, const QString& title) override
    {
        messages.push_back({text, style, title});
        if (whileMessageOpen)
            whileMessageOpen();
    }

    QString inputBox(const QString& prompt, const QString& title, int maxLength, const QString& about) override
    {
        prompts.push_back({prompt, title, maxLength, about});
        if (replies.empty())
            return {};
        Reply reply = replies.front();
        replies.pop_front();
        if (reply.whileOpen)
            reply.whileOpen();
        return text::firstCharacters(reply.text, maxLength);  // the box's field takes no more
    }

    void beep() override { ++beeps; }
    void randomize() override { ++seeds; }

    float rnd() override
    {
        if (!draws_.empty()) {
            const float r = draws_.front();
            draws_.pop_front();
            return r;
        }
        return std::uniform_real_distribution<float>(0.0f, 0.99999f)(fallback_);
    }

    // Queues the draws that make the next code the given four digits, e.g. "5037".
    void queueCode(const char* digits)
    {
        for (const char* d = digits; *d; ++d)
            draws_.push_back((static_cast<float>(*d - '0') + 0.5f) / 9.0f);
    }

    size_t drawsLeft() const { return draws_.size(); }

private:
    std::deque<float> draws_;
    std::mt19937 fallback_{12345u};
};
