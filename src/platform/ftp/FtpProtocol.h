// The session's states and, for every command, the state it needs, the replies that mean
// "done" and "go on", and the state each leads to: the whole protocol in one table.
#pragma once

#include <array>
#include <string_view>

namespace kvr::ftpnet {

enum class SessionState {
    Closed,       // no control connection
    Greeting,     // connected, the server's greeting not yet read
    LoggingIn,    // greeted, USER/PASS under way
    Ready,        // logged in, no transfer open
    Renaming,     // RNFR accepted, RNTO must follow
    Transferring, // a data transfer is open; its completion reply is due
};

enum class FtpCommand {
    Greeting,
    User,
    Pass,
    Type,
    Cwd,
    Port,
    Eprt,
    Pasv,
    Epsv,
    Nlst,
    Retr,
    Stor,
    TransferDone,
    Rnfr,
    Rnto,
    Dele,
    Quit
};

// How a reply to a command is taken.
enum class Outcome {
    Done,    // the command completed: the session moves to its `on_done` state
    GoOn,    // a positive preliminary or intermediate reply: `on_go_on` state, more follows
    Wait,    // a preliminary reply after which the same command's next reply is awaited
    Refused, // anything else: the server refused (its reply is the last response)
};

using ReplyCodes = std::array<int, 2>;

struct CommandRule {
    FtpCommand command;
    std::string_view verb; // empty for the greeting and a transfer's completion
    SessionState needs;
    ReplyCodes done; // unused slots are 0
    ReplyCodes go_on;
    ReplyCodes wait;
    SessionState on_done;
    SessionState on_go_on;
    SessionState on_refused;
};

const CommandRule& rule_for(FtpCommand command);
Outcome classify(const CommandRule& rule, int reply_code);

} // namespace kvr::ftpnet
