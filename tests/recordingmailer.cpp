#include "recordingmailer.h"

#include "libmailer.h"

namespace
{
std::vector<RecordedMail> recorded;
int nextResult = 0;
std::string nextErrorText;
} // namespace

void MailRecorder::reset(int result, const std::string& errorText)
{
    recorded.clear();
    nextResult = result;
    nextErrorText = errorText;
}

const std::vector<RecordedMail>& MailRecorder::calls()
{
    return recorded;
}

int libSendMail(const std::string& server, int port, const std::string& from, const std::string& to,
                const std::string& subject, const std::string& body, std::string& errorText,
                bool useAuth, const std::string& user, const std::string& password)
{
    recorded.push_back(
        {server, port, from, to, subject, body, errorText.empty(), useAuth, user, password});
    errorText = nextErrorText;
    return nextResult;
}
