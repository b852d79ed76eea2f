#pragma once
// C_Http: the blocking variant of the client. Connect runs the whole exchange on the caller's
// thread; the answer is kept as it came (no chunked or content decoding), and keep-alive
// requests, free body text, raw bodies and reader streams are not offered.

#include "qarvo/http/http_interface.h"

namespace qarvo {

class C_Http : public I_Http {
public:
    static constexpr const char* kUserAgent = "agent_normal2.7";

    C_Http();
    ~C_Http() override;

    // Runs the exchange; 1 when it succeeded (GetLastCommandStat tells the rest).
    int Connect();
    int Close();

    int AddBody(const char* text) override { return 0; }
    int SetBodyinMemory(const void* data, int size) override { return 0; }
    int SetBodyinFile(const char* path) override { return 0; }
    int SetReaderStream(bool on) override { return 0; }
    int Request(const C_String& url) { return 0; }
    int ReaderStream(C_Memory* out, int max, int timeOutMs) { return -1; }
    using I_Http::AddBody;

protected:
    bool DecodesCodings() const override { return false; }
};

}  // namespace qarvo
