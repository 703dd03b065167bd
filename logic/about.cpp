// The About message: the program's version and where its maker can be reached.
#include "text_services.h"
#include "texts.h"
#include "torvelt.h"

namespace torvelt {

std::string aboutText(const Version& version, const Contact& contact) {
    const std::string separator(texts::kAboutVersionSeparator);
    return std::string(texts::kAboutVersion) + std::to_string(version.major) + separator +
           std::to_string(version.minor) + separator + std::to_string(version.revision) + "\r\r" +
           std::string(texts::kAboutEmail) + contact.email + "\r" + std::string(texts::kAboutWeb) +
           contact.web;
}

void Torvelt::Picture1_About() {
    show(aboutText(runtime_.programVersion(), contact_), kStyleInformation, texts::kAboutTitle);
}

}  // namespace torvelt
