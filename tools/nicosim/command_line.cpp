#include "tools/nicosim/command_line.h"

#include "tools/nicosim/text_codec.h"

namespace nicosim {
namespace {

bool numberArgument(const std::string& name, const std::string& text, long long limit, long long& value,
                    std::string& error)
{
    if (!parseDecimal(text, limit, value)) {
        error = name + " needs a number from 0 to " + std::to_string(limit) + ", not \"" + text + "\"";
        return false;
    }
    return true;
}

} // namespace

const char* usageText()
{
    return "usage: nicosim [--port N] [--https-port N] [--live-port N] [--seed S] [--data DIR] [--push-ms N]\n"
           "               [--live-by-name] [--modern] [--ping-ms N] [--segment-ms N] [--view-ms N]\n"
           "  --port N        HTTP port on 127.0.0.1 (default: a free one)\n"
           "  --https-port N  HTTPS port on 127.0.0.1 (default: a free one)\n"
           "  --live-port N   live comment server port (default: a free one)\n"
           "  --seed S        seed of the served data (default 1)\n"
           "  --data DIR      write browser cookie stores to DIR/Cookies, DIR/firefox, DIR/chromium\n"
           "                  and DIR/cookies.txt\n"
           "  --push-ms N     a new live chat every N ms (default 500; 0: none)\n"
           "  --live-by-name  name msg101.live.nicovideo.jp:2805 as the live comment server\n"
           "  --modern        watch pages of today's service (\"~classic\" on an id: the old one)\n"
           "  --ping-ms N     today's live WebSocket pings every N ms (default 10000)\n"
           "  --segment-ms N  today's live comment segments last N ms (default 16000)\n"
           "  --view-ms N     today's live view stream runs N ms before its next entry (default 30000)\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine result;
    Options& o = result.options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            result.help = true;
            continue;
        }
        if (a == "--live-by-name") {
            o.liveAddressByName = true;
            continue;
        }
        if (a == "--modern") {
            o.modernVideos = true;
            continue;
        }
        const bool takesValue = a == "--port" || a == "--https-port" || a == "--live-port" || a == "--seed" ||
                                a == "--data" || a == "--push-ms" || a == "--ping-ms" || a == "--segment-ms" ||
                                a == "--view-ms";
        if (!takesValue) {
            result.error = "unknown argument \"" + a + "\"";
            return result;
        }
        if (i + 1 >= arguments.size()) {
            result.error = a + " needs a value";
            return result;
        }
        const std::string& value = arguments[++i];
        long long number = 0;
        if (a == "--data") {
            if (value.empty()) {
                result.error = "--data needs a folder";
                return result;
            }
            o.dataDir = value;
        } else if (a == "--seed") {
            if (!numberArgument(a, value, 4294967295LL, number, result.error))
                return result;
            o.seed = static_cast<uint32_t>(number);
        } else if (a == "--push-ms") {
            if (!numberArgument(a, value, 3600000, number, result.error))
                return result;
            o.livePushMs = static_cast<int>(number);
        } else if (a == "--ping-ms" || a == "--segment-ms" || a == "--view-ms") {
            if (!numberArgument(a, value, 3600000, number, result.error))
                return result;
            // A segment of no length would have no window to hold a chat.
            if (a == "--segment-ms" && number == 0) {
                result.error = "--segment-ms needs at least 1";
                return result;
            }
            (a == "--ping-ms" ? o.livePingMs : a == "--segment-ms" ? o.liveSegmentMs : o.liveViewMs) =
                static_cast<int>(number);
        } else {
            if (!numberArgument(a, value, 65535, number, result.error))
                return result;
            (a == "--port" ? o.port : a == "--https-port" ? o.httpsPort : o.livePort) = static_cast<int>(number);
        }
    }
    return result;
}

} // namespace nicosim
