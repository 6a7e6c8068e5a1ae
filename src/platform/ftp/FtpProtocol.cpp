#include "platform/ftp/FtpProtocol.h"

#include <algorithm>
#include <stdexcept>

namespace kvr::ftpnet {

namespace {
using S = SessionState;
using C = FtpCommand;

// clang-format off
const CommandRule kRules[] = {
//  command          verb    needs           done         go on        wait   on done        on go on        on refused
    {C::Greeting,    "",     S::Greeting,    {220},       {},          {120}, S::LoggingIn,  S::Greeting, S::Greeting},
    {C::User,        "USER", S::LoggingIn,   {230},       {331},       {},    S::Ready,      S::LoggingIn, S::LoggingIn},
    {C::Pass,        "PASS", S::LoggingIn,   {230, 202},  {},          {},    S::Ready,      S::LoggingIn, S::LoggingIn},
    {C::Type,        "TYPE", S::Ready,       {200},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Cwd,         "CWD",  S::Ready,       {250, 200},  {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Port,        "PORT", S::Ready,       {200},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Eprt,        "EPRT", S::Ready,       {200},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Pasv,        "PASV", S::Ready,       {227},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Epsv,        "EPSV", S::Ready,       {229},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Nlst,        "NLST", S::Ready,       {},          {125, 150},  {},    S::Ready,      S::Transferring, S::Ready},
    {C::Retr,        "RETR", S::Ready,       {},          {125, 150},  {},    S::Ready,      S::Transferring, S::Ready},
    {C::Stor,        "STOR", S::Ready,       {},          {125, 150},  {},    S::Ready,      S::Transferring, S::Ready},
    {C::TransferDone, "",    S::Transferring, {226, 250}, {},          {},    S::Ready,      S::Transferring, S::Ready},
    {C::Rnfr,        "RNFR", S::Ready,       {},          {350},       {},    S::Ready,      S::Renaming, S::Ready},
    {C::Rnto,        "RNTO", S::Renaming,    {250},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Dele,        "DELE", S::Ready,       {250},       {},          {},    S::Ready,      S::Ready, S::Ready},
    {C::Quit,        "QUIT", S::Ready,       {221},       {},          {},    S::Closed,     S::Closed, S::Closed},
};
// clang-format on

bool contains(const ReplyCodes& codes, int code) {
    if (code == 0)
        return false;
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
} // namespace

const CommandRule& rule_for(FtpCommand command) {
    for (const auto& rule : kRules)
        if (rule.command == command)
            return rule;
    throw std::logic_error("FTP command without a rule");
}

Outcome classify(const CommandRule& rule, int reply_code) {
    if (contains(rule.done, reply_code))
        return Outcome::Done;
    if (contains(rule.go_on, reply_code))
        return Outcome::GoOn;
    if (contains(rule.wait, reply_code))
        return Outcome::Wait;
    return Outcome::Refused;
}

} // namespace kvr::ftpnet
