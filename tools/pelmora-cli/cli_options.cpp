#include "tools/pelmora-cli/cli_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "qarvo/platform/environment.h"

namespace pelmora::cli {
namespace {

bool parseNumber(const std::string& text, int minimum, int& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < minimum || value > INT_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

const char* usageText()
{
    return "usage:\n"
           "  pelmora-cli [options] decode FILE.xml\n"
           "  pelmora-cli [options] fetch ADDRESS [-n COUNT | --all] [--xml OUT.xml] [--follow SECONDS]\n"
           "options:\n"
           "  --library PATH       the engine library (default: dll/libPelmora2.so in the current\n"
           "                       folder, then beside this program)\n"
           "  --format text|jsonl|ass\n"
           "                       one comment-file line per comment (default), one JSON object per\n"
           "                       comment, or the comments as ASS subtitles (1920x1080) for mpv or VLC\n"
           "  -n COUNT             how many of the most recent comments to ask for (default 1000)\n"
           "  --all                every comment of the video, paged back to its first (today's\n"
           "                       comment interface; past comments need the login)\n"
           "  --xml OUT.xml        also write the raw comment XML of every batch to OUT.xml\n"
           "  --follow SECONDS     for a live broadcast, ask for new comments every second for that\n"
           "                       long and print each batch as it arrives\n"
           "  --mode WORD          the request's mode word (default ori2; dumy_debug invents\n"
           "                       comments without any network)\n"
           "  --cookies-from-browser BROWSER[:PROFILE]\n"
           "                       take the login from that browser only: firefox, librewolf, waterfox,\n"
           "                       floorp, chromium, chrome, brave, edge, vivaldi or opera; PROFILE is a\n"
           "                       profile's name or a path to its folder (default: every profile)\n"
           "  --cookies FILE       take the login from a Netscape cookies.txt file only\n"
           "                       (default: the browser whose login was used last, then the cookie\n"
           "                       folder)\n"
           "exit status: the engine's result code (0 success); 64 the library or one of its\n"
           "functions is missing; 65 bad command line; 66 OUT.xml cannot be written; 67 the engine\n"
           "refused the job\n";
}

bool parseCommandLine(const std::vector<std::string>& args, CliOptions& out, std::string& error)
{
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&](const char* name) -> const std::string* {
            if (!hasValue) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            out.command = Command::Help;
            return true;
        } else if (arg == "--library") {
            const std::string* v = value("--library");
            if (!v)
                return false;
            out.library = *v;
        } else if (arg == "--format") {
            const std::string* v = value("--format");
            if (!v)
                return false;
            if (*v == "text") {
                out.format = OutputFormat::Text;
            } else if (*v == "jsonl") {
                out.format = OutputFormat::Jsonl;
            } else if (*v == "ass") {
                out.format = OutputFormat::Ass;
            } else {
                error = "unknown format \"" + *v + "\" (text, jsonl or ass)";
                return false;
            }
        } else if (arg == "--cookies-from-browser" || arg == "--cookies") {
            const std::string* v = value(arg.c_str());
            if (!v)
                return false;
            if (v->empty()) {
                error = arg + " needs a value";
                return false;
            }
            (arg == "--cookies" ? out.cookiesFile : out.cookiesFromBrowser) = *v;
        } else if (arg == "-n") {
            const std::string* v = value("-n");
            if (!v)
                return false;
            if (!parseNumber(*v, 0, out.count)) {
                error = "-n needs a count of 0 or more, not \"" + *v + "\"";
                return false;
            }
        } else if (arg == "--all") {
            out.all = true;
        } else if (arg == "--xml") {
            const std::string* v = value("--xml");
            if (!v)
                return false;
            out.xmlPath = *v;
        } else if (arg == "--mode") {
            const std::string* v = value("--mode");
            if (!v)
                return false;
            if (v->empty() || v->find(' ') != std::string::npos) {
                error = "--mode needs one word";
                return false;
            }
            out.mode = *v;
        } else if (arg == "--follow") {
            const std::string* v = value("--follow");
            if (!v)
                return false;
            if (!parseNumber(*v, 0, out.followSeconds)) {
                error = "--follow needs a number of seconds, not \"" + *v + "\"";
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            positional.push_back(arg);
        }
    }

    if (positional.empty()) {
        error = "no command given";
        return false;
    }
    if (positional[0] == "decode") {
        out.command = Command::Decode;
    } else if (positional[0] == "fetch") {
        out.command = Command::Fetch;
    } else {
        error = "unknown command \"" + positional[0] + "\"";
        return false;
    }
    if (positional.size() != 2) {
        error = positional[0] == "decode" ? "decode needs exactly one FILE" : "fetch needs exactly one ADDRESS";
        return false;
    }
    out.target = positional[1];
    if (out.target.empty()) {
        error = "the FILE or ADDRESS is empty";
        return false;
    }
    if (out.command == Command::Decode && (!out.xmlPath.empty() || out.followSeconds != 0 || out.mode != "ori2" ||
                                           out.all || !out.cookiesFile.empty() || !out.cookiesFromBrowser.empty())) {
        error = "--xml, --follow, --mode, --all, --cookies and --cookies-from-browser belong to fetch";
        return false;
    }
    if (!out.cookiesFile.empty() && !out.cookiesFromBrowser.empty()) {
        error = "--cookies and --cookies-from-browser exclude each other";
        return false;
    }
    // The engine's request is one line of words separated by spaces (an ideographic space
    // counts as one), so such a character cannot be carried inside the file or address.
    if (out.target.find(' ') != std::string::npos || out.target.find("\xE3\x80\x80") != std::string::npos) {
        error = "\"" + out.target + "\" contains a space, which the engine's request cannot carry";
        return false;
    }
    return true;
}

bool applyCookieChoice(const CliOptions& options)
{
    // A flag wins over what the environment held: the other variable goes, or the engine
    // would still prefer the file.
    constexpr const char* kBrowser = "PELMORA_COOKIES_FROM_BROWSER";
    constexpr const char* kFile = "PELMORA_COOKIES";
    if (!options.cookiesFile.empty())
        return qarvo::platform::setEnvironment(kFile, options.cookiesFile.c_str()) &&
               qarvo::platform::unsetEnvironment(kBrowser);
    if (!options.cookiesFromBrowser.empty())
        return qarvo::platform::setEnvironment(kBrowser, options.cookiesFromBrowser.c_str()) &&
               qarvo::platform::unsetEnvironment(kFile);
    return true;
}

}  // namespace pelmora::cli
