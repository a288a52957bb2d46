// What a handler did, for the callers that act on it (the library, the command line): done,
// stopped, refused or failed with the reason, and its data. The windows ignore it; the
// handler shows its message boxes all the same.
#pragma once

#include "platform/Frontend.h"

#include <string>
#include <utility>

enum class Outcome { Done, Stopped, Refused, Failed };

struct NoData {};

template <typename Data = NoData> struct CommandResult {
    Outcome outcome = Outcome::Done;
    std::string reason; // why it was refused or failed
    Data data{};
    bool shownInBox = false; // the reason is a message box's the user has seen already
};

// The message boxes shown from its making on: a handler that refuses or fails has said why in
// the last of them.
class ShownMessages {
public:
    ShownMessages() : first_(Ui().MessagesShown()) {}
    bool Any() const { return Ui().MessagesShown() != first_; }

    template <typename Data = NoData> CommandResult<Data> Refused(std::string otherwise) const {
        if (Any()) {
            return {Outcome::Refused, Ui().LastMessage(), {}, true};
        }
        return {Outcome::Refused, std::move(otherwise), {}};
    }
    // Done or stopped with data, unless a box said it failed.
    template <typename Data> CommandResult<Data> Ended(bool completed, Data data) const {
        if (Any()) {
            return {Outcome::Failed, Ui().LastMessage(), std::move(data), true};
        }
        return {completed ? Outcome::Done : Outcome::Stopped, {}, std::move(data)};
    }

private:
    uint64_t first_;
};
