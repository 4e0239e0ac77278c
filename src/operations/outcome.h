// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What became of an operation on the clock, in the same terms for the window
// and for tarvo-clock: each presents it in its own words.

#include <QStringList>
#include <optional>

namespace tarvo
{

enum class Verdict {
    Taken,    // read back: the clock holds what was sent
    Answered, // the clock answered afterwards; what it took cannot be read back
    NotTaken, // read back: the clock holds something else
    Refused,  // the clock refused the access password
    NoAnswer, // nothing came back
    NotSent,  // nothing could go out (the port is closed, no socket, no address)
};

struct Outcome {
    Verdict verdict = Verdict::NoAnswer;
    // NotTaken settings or dates: "field: wanted X, the clock has Y".
    QStringList differences;
    // NotTaken times: how far the clock's reading is from the time expected,
    // in seconds, and that reading ("HH:MM:SS MM-DD-YYYY" as the clock shows it).
    std::optional<double> offSeconds;
    QString reading;

    // The clock holds the change, or answered after one it cannot show.
    bool Succeeded() const { return verdict == Verdict::Taken || verdict == Verdict::Answered; }
};

} // namespace tarvo
