// Form results as they travel: application/x-www-form-urlencoded.
#pragma once

#include <string>
#include <vector>

namespace shell {

// Each "name=value" entry is split at its first "=", both halves are encoded (blanks as
// "+", everything but letters, digits and "-_.*" as %XX), and the entries are joined
// with "&". Unescaped, a value holding "&" or "=" would corrupt the submission.
std::string EncodeFormData(const std::vector<std::string>& results);
std::string UrlEncode(const std::string& text);
// The address a GET form asks for: Data appended to the action's own query, after "?"
// (or "&" when the action has a query already); a "#fragment" is dropped.
std::string AppendFormData(const std::string& action, const std::string& data);

} // namespace shell
