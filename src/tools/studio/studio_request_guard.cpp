#include "studio_request_guard.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace opbaff::tools {
namespace {

std::string lowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool isNumericAddress(const std::string& name) {
    unsigned char address[16];
    return inet_pton(AF_INET, name.c_str(), address) == 1 ||
           inet_pton(AF_INET6, name.c_str(), address) == 1;
}

bool isWildcard(const std::string& host) {
    return host.empty() || host == "0.0.0.0" || host == "::";
}

// "name:port", "[v6]:port" or either without its port (then nullopt).
struct HostParts {
    std::string name;
    std::optional<std::string_view> port;
};

std::optional<HostParts> splitHost(std::string_view host) {
    if (host.starts_with("[")) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(":")) return std::nullopt;
        HostParts parts{lowercase(host.substr(1, close - 1)), std::nullopt};
        if (!rest.empty()) parts.port = rest.substr(1);
        return parts;
    }
    const std::size_t colon = host.find(':');
    if (colon == std::string_view::npos) return HostParts{lowercase(host), std::nullopt};
    if (host.find(':', colon + 1) != std::string_view::npos) return std::nullopt;
    return HostParts{lowercase(host.substr(0, colon)), host.substr(colon + 1)};
}

bool portMatches(std::optional<std::string_view> port, int listening) {
    if (!port) return listening == 80;
    int value = -1;
    const auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), value);
    return error == std::errc() && end == port->data() + port->size() && value == listening;
}

std::vector<std::string_view> valuesOf(const HeaderList& headers, std::string_view name) {
    std::vector<std::string_view> values;
    for (const auto& [key, value] : headers) {
        if (lowercase(key) == name) values.emplace_back(value);
    }
    return values;
}

bool isDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Chunked alone: a body whose last coding is not chunked has no length that
// can be known (RFC 9112, section 6.3), and any other coding is not decoded.
std::optional<StudioReply> screenTransferCodings(const std::vector<std::string_view>& values) {
    std::vector<std::string> codings;
    for (std::string_view value : values) {
        while (!value.empty()) {
            const std::size_t comma = value.find(',');
            const std::string coding = lowercase(trimmed(value.substr(0, comma)));
            value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
            if (!coding.empty()) codings.push_back(coding);
        }
    }
    if (codings.empty()) return std::nullopt;
    if (codings.back() != "chunked") {
        return errorReply(400,
                          "the body's length is unknown: Transfer-Encoding must end in chunked");
    }
    if (std::count(codings.begin(), codings.end(), "chunked") > 1) {
        return errorReply(400, "Transfer-Encoding names chunked more than once");
    }
    if (codings.size() > 1) {
        return errorReply(415, "the body must not be encoded, only chunked");
    }
    return std::nullopt;
}

std::optional<StudioReply> screenBodyFraming(const HeaderList& headers) {
    const auto lengths = valuesOf(headers, "content-length");
    for (const std::string_view length : lengths) {
        if (!isDigits(length)) {
            return errorReply(400, "Content-Length must be a number of bytes, not '" +
                                       std::string(length.substr(0, 40)) + "'");
        }
        if (length != lengths.front()) {
            return errorReply(400, "two different Content-Length headers");
        }
    }
    const auto transfers = valuesOf(headers, "transfer-encoding");
    if (!lengths.empty() && !transfers.empty()) {
        return errorReply(400, "Content-Length and Transfer-Encoding together");
    }
    if (auto refusal = screenTransferCodings(transfers)) return refusal;
    for (const std::string_view coding : valuesOf(headers, "content-encoding")) {
        if (lowercase(coding) != "identity") {
            return errorReply(415, "the body must not be encoded, not '" +
                                       std::string(coding.substr(0, 40)) + "'");
        }
    }
    if (!lengths.empty()) {
        const std::string_view length = lengths.front();
        std::size_t bytes = 0;
        const auto [end, error] =
            std::from_chars(length.data(), length.data() + length.size(), bytes);
        const bool tooLarge = error != std::errc() || bytes > kMaxRequestBodyBytes;
        if (tooLarge) {
            return errorReply(413, "the body is larger than " +
                                       std::to_string(kMaxRequestBodyBytes / 1024) + " KiB");
        }
    }
    return std::nullopt;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

}  // namespace

HeaderList headerFieldsOf(std::string_view head) {
    head = head.substr(0, head.find("\r\n\r\n"));
    HeaderList fields;
    while (!head.empty()) {
        const std::size_t end = head.find("\r\n");
        const std::string_view line = head.substr(0, end);
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 2);
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos || line.find(' ') < colon) continue;
        fields.emplace_back(line.substr(0, colon), trimmed(line.substr(colon + 1)));
    }
    return fields;
}

void decodeTarget(std::string_view target, std::string& path, QueryParams& query) {
    const std::size_t mark = target.find('?');
    path = percentDecoded(target.substr(0, mark), false);
    if (mark == std::string_view::npos) return;
    std::string_view rest = target.substr(mark + 1);
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view part = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        if (part.empty()) continue;
        const std::size_t equals = part.find('=');
        query.emplace(percentDecoded(part.substr(0, equals), true),
                      equals == std::string_view::npos
                          ? std::string()
                          : percentDecoded(part.substr(equals + 1), true));
    }
}

bool namesServer(std::string_view host, const ListeningAddress& listening) {
    const auto parts = splitHost(host);
    if (!parts || !portMatches(parts->port, listening.port)) return false;
    const std::string& name = parts->name;
    std::string own = lowercase(listening.host);
    if (own.starts_with("[") && own.ends_with("]")) own = own.substr(1, own.size() - 2);
    if (name == "localhost" || name == own) return true;
    return isWildcard(own) && isNumericAddress(name);
}

std::optional<StudioReply> screenRequest(std::string_view method, const HeaderList& headers,
                                         const ListeningAddress& listening) {
    if (headers.size() > kMaxRequestHeaders) {
        return errorReply(431, "more than " + std::to_string(kMaxRequestHeaders) + " headers");
    }
    const auto hosts = valuesOf(headers, "host");
    if (hosts.size() != 1 || !namesServer(hosts.front(), listening)) {
        return errorReply(421, "this server answers only requests for localhost:" +
                                   std::to_string(listening.port) +
                                   " or the address it listens on");
    }
    if (method != "GET" && method != "HEAD") {
        for (const std::string_view origin : valuesOf(headers, "origin")) {
            const bool own =
                origin.starts_with("http://") && namesServer(origin.substr(7), listening);
            if (!own) return errorReply(403, "requests from another site's page are refused");
        }
    }
    return screenBodyFraming(headers);
}

const std::vector<std::pair<const char*, const char*>>& securityHeaders() {
    static const std::vector<std::pair<const char*, const char*>> headers = {
        {"Cache-Control", "no-cache"},
        {"X-Content-Type-Options", "nosniff"},
        {"Content-Security-Policy",
         "default-src 'self'; img-src 'self' data: blob:; object-src 'none'; base-uri 'none'; "
         "form-action 'none'; frame-ancestors 'none'"},
        {"Referrer-Policy", "no-referrer"},
        {"Cross-Origin-Resource-Policy", "same-origin"},
    };
    return headers;
}

}  // namespace opbaff::tools
