// Text made safe for HTML and URLs.
#pragma once

#include <string>

// Escapes & < > " ' so any text can sit in an element or an attribute.
std::string escapeHtml(const std::string& text);
// Percent-encodes everything but unreserved characters (a URL path segment).
std::string encodeUrlSegment(const std::string& text);
