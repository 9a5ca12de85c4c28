// How a decode ended, in one style for every decoder: what happened, for the
// caller to act on, and the text the user is to be told, for the caller to show
// (or, quietly, not). A decoder itself shows nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vantor {

enum class DecodeStatus {
    Ok,
    CannotOpen,   // missing, unreadable, or not a regular file
    Corrupt,      // not a picture of its format, cut short or damaged
    Unsupported,  // a kind of the format that is not read
    TooLarge,     // refused from its header: above the picture cap
    OutOfMemory,  // the picture's memory is not there
    Declined,     // a way of decoding that does not suit the picture (another is tried)
    Cancelled,    // a decode no longer wanted
};

struct DecodeOutcome {
    DecodeStatus status = DecodeStatus::Ok;
    std::string message;  // empty when Ok, or when there is nothing to tell
    // What the decoder met and decoded past (damaged data it could read around),
    // in the order met; the user hears of them before any failure.
    std::vector<std::string> warnings{};

    static DecodeOutcome Failed(DecodeStatus status, std::string message) { return {status, std::move(message)}; }
    bool Ok() const { return status == DecodeStatus::Ok; }
    // Decoded, and nothing to tell: what a decode nobody hears of may keep.
    bool Clean() const { return Ok() && warnings.empty(); }
};

}  // namespace vantor
