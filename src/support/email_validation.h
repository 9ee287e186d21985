#pragma once

#include <QString>
#include <QStringView>

namespace kestrel {

// The one check every screen applies to an e-mail address. The register and the default contact
// panel refuse a failing value silently; the mail account window shows EmailValidationMessage().

// True when the address passes. An empty address passes. On false, EmailValidationMessage()
// holds the reason; it is emptied at the start of every call.
bool ValidateEmail(QStringView address);

// EXTisOK: true when the ending (with or without its leading dot, any case) occurs in the list
// of accepted endings. The test is a plain substring search, so ".CO" passes through ".COM".
bool IsListedEnding(QStringView ending);

// The reason the last ValidateEmail call refused its address ("" after a pass).
const QString& EmailValidationMessage();

}  // namespace kestrel
