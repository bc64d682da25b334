#pragma once

#include <string>
#include <vector>

// One call of libSendMail as the recording stand-in saw it.
struct RecordedMail {
    std::string server;
    int port = 0;
    std::string from;
    std::string to;
    std::string subject;
    std::string body;
    bool errorTextEmptyOnEntry = false;
    bool useAuth = false;
    std::string user;
    std::string password;
};

// A test executable that compiles recordingmailer.cpp defines libSendMail itself; the mail
// library is shared, so this definition is the one the program calls. Nothing is sent.
namespace MailRecorder
{
// Forgets the calls; the following calls return `result` and write `errorText`.
void reset(int result = 0, const std::string& errorText = "refused by the recorder");
const std::vector<RecordedMail>& calls();
} // namespace MailRecorder
