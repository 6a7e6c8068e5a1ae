// An FTP session: what a connection is opened from. It carries the agent's name and
// nothing else; FTP can be turned off for a deployment with KVR_FTP_DISABLE=1, in which
// case no session opens.
#pragma once

#include <memory>
#include <string>

namespace kvr::ftpnet {

class FtpSession {
  public:
    // Nothing when FTP is turned off (the thread's last error is then 31).
    static std::unique_ptr<FtpSession> open(const std::string& agent);

    const std::string& agent() const { return m_agent; }

  private:
    explicit FtpSession(std::string agent) : m_agent(std::move(agent)) {}
    std::string m_agent;
};

} // namespace kvr::ftpnet
