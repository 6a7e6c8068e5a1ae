// The library's one error: a full error number, a source and a description, as a script host
// sees them in its error object.
#pragma once

#include <kvrupload/Export.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvrupload {

class KVRUPLOAD_API Error : public std::runtime_error {
  public:
    Error(std::int32_t number, std::string source, std::string description);
    ~Error() override;

    std::int32_t number() const { return m_number; }
    const std::string& source() const { return m_source; }
    const std::string& description() const { return m_description; }

  private:
    std::int32_t m_number;
    std::string m_source;
    std::string m_description;
};

} // namespace kvrupload
