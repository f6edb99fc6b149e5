// What the studio's server checks in a request's headers before it reads the
// body: that a browser page of another site cannot reach it (Host, Origin), and
// that the framing of the body is unambiguous (Content-Length,
// Transfer-Encoding, Content-Encoding). Also the headers every answer carries.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "studio_api.h"

namespace opbaff::tools {

inline constexpr std::size_t kMaxRequestHeaders = 64;

// Where the server listens: the address or name given to --host and the port.
struct ListeningAddress {
    std::string host;
    int port = 0;
};

// True when `host` (a Host header's value, or the part of an Origin after
// "http://") names the server: "localhost", the address it listens on, or,
// listening on every address (0.0.0.0, ::), any numeric address; with the
// listening port, which only port 80 may leave out. A name that merely
// resolves to the server, as a rebinding page's does, is not taken.
bool namesServer(std::string_view host, const ListeningAddress& listening);

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The header fields of a request's head as sent (the request line, if there,
// and anything after the blank line are left out): for the answer to a head
// the HTTP parser refused. Names and values as they came, values without the
// blanks around them; a line with no colon before its first space is no field.
HeaderList headerFieldsOf(std::string_view head);

// A request target split into its percent-decoded path and its query, each
// key and value decoded as a form's are ('+' a space, then %XX); a '%' not
// followed by two hex digits is kept as it is, and empty parts are skipped.
void decodeTarget(std::string_view target, std::string& path, QueryParams& query);

// The refusal of a request whose headers are not served, or nullopt:
// 421 for a Host that does not name the server, 403 for a POST from another
// origin, 431 for too many headers, 400 for a body length that is negative,
// malformed, or given twice differently or beside Transfer-Encoding, and for a
// Transfer-Encoding that does not end in chunked or names it twice, 415 for a
// Content-Encoding other than identity or a transfer coding before chunked,
// 413 for a body announced larger than kMaxRequestBodyBytes.
std::optional<StudioReply> screenRequest(std::string_view method, const HeaderList& headers,
                                         const ListeningAddress& listening);

// The headers of every answer beside its type: no caching, no sniffing, and a
// Content-Security-Policy that lets the page load only its own files, run no
// inline code, and be framed by no one.
const std::vector<std::pair<const char*, const char*>>& securityHeaders();

}  // namespace opbaff::tools
