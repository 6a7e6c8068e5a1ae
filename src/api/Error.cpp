#include <kvrupload/Error.h>

namespace kvrupload {

Error::Error(std::int32_t number, std::string source, std::string description)
    : std::runtime_error(description), m_number(number), m_source(std::move(source)),
      m_description(std::move(description)) {}

Error::~Error() = default;

} // namespace kvrupload
