#include "apputil.h"
#include "convertererror.h"
#include "errormailsettings.h"
#include "libmailer.h"
#include "producttitle.h"
#include "utf8bytes.h"

#include <cstdlib>

namespace
{

struct MailText {
    long code;
    const char* reason; // appended to the general subject
    const char* advice; // the line between the subject line and the code
};

// A mail read hours later, away from Unity, should say what went wrong and what to do.
const MailText CodeMails[] = {
    {ErrorSettingsUnreadable, "settings unreadable",
     "settings.xml could not be read. Open Sorvel Quorvane for Unity and press OK to write it "
     "again."},
    {ErrorOriginalToolMissing, "Unity's original tool missing",
     "PVRTexTool_org is missing from Unity's Contents/Tools folder. Reinstall Unity, then "
     "install Quorvane again."},
    {ErrorConversionFailed, "texture conversion failed",
     "The Quorvane converter failed to compress a texture. Reimport the texture in Unity."},
    {ErrorOutOfMemory, "out of memory",
     "There was not enough memory to convert a texture. Close other applications or choose a "
     "smaller target size."},
    {ErrorImageTooLarge, "image larger than the target size",
     "A texture larger than the chosen target size was not converted by Quorvane."},
    {ErrorOriginalToolFailed, "Unity's original tool failed",
     "PVRTexTool_org ended with an error. Reimport the texture in Unity."},
    {ErrorImageUnreadable, "image unreadable",
     "The image handed over by Unity could not be read. Check the texture's source file."},
    {ErrorOutputNotWritten, "output not written",
     "The converted texture could not be written. Check the free disk space."},
};

const MailText* findCodeMail(long value)
{
    for (const MailText& mail : CodeMails)
        if (mail.code == value)
            return &mail;
    return nullptr;
}

// atoi's reading (blanks, sign, digits; 0 without digits) without atoi's undefined overflow.
long leadingNumber(const std::string& code)
{
    return std::strtol(code.c_str(), nullptr, 10);
}

// MirrelSendErrorMail with libSendMail's one-line reason kept in `errorText`.
int composeAndSend(const std::string& code, const std::string& server, int port,
                   const std::string& from, const std::string& to, bool useAuth,
                   const std::string& user, const std::string& password, std::string& errorText)
{
    errorText.clear();
    if (port == 0 || server.empty() || from.empty() || to.empty())
        return 0;

    std::string subject = std::string(ProductTitle) + " execution error";
    std::string body;
    if (const MailText* mail = findCodeMail(leadingNumber(code))) {
        subject += std::string(": ") + mail->reason;
        body = subject + "\r\n" + mail->advice + "\r\n";
    } else {
        body = subject + "\r\n";
    }
    body += "Error code : " + code;

    return libSendMail(server, port, from, to, subject, body, errorText, useAuth, user, password);
}

} // namespace

int AppUtil::MirrelSendErrorMail(const std::string& code, const std::string& server, int port,
                                 const std::string& from, const std::string& to, bool useAuth,
                                 const std::string& user, const std::string& password)
{
    std::string errorText;
    return composeAndSend(code, server, port, from, to, useAuth, user, password, errorText);
}

int sendErrorMail(const QString& code, const ErrorMailSetting& mail, std::string& errorText)
{
    return composeAndSend(utf8UpToNul(code), utf8UpToNul(mail.ErrorMailServer), mail.ErrorMailPort,
                          utf8UpToNul(mail.ErrorMailFrom), utf8UpToNul(mail.ErrorMailTo),
                          mail.ErrorMailAuthUse, utf8UpToNul(mail.ErrorMailAuthName),
                          utf8UpToNul(mail.ErrorMailAuthPass), errorText);
}

int sendErrorMail(const QString& code, const ErrorMailSetting& mail)
{
    std::string errorText;
    return sendErrorMail(code, mail, errorText);
}
