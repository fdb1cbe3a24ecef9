#pragma once

#include <QString>

class QWidget;

// Dialing and the launching of mail, web and messenger programs. Every routine hands its request
// over and returns at once; none reports a failure.

// The communication tags of fields and controls.
namespace commtag {
inline constexpr int Phone = 100;
inline constexpr int Mail = 200;
inline constexpr int Web = 300;
inline constexpr int Messenger = 400;
} // namespace commtag

// A call request for the number exactly as typed (it may be empty).
void DialNumber(const QString& number);

// Acts on a control's integer property "Tag" and its current text: 100 dials the text, 200 writes
// mail to it, 300 opens it, 400 starts the messenger whatever the text; any other tag, or none,
// does nothing.
void CommunicateByTag(QWidget* control);

// Opens "mailto:" followed by the address only (see mailAddressOnly).
void OpenMailTo(const QString& address);

// The recipient part of a mail value. A query ("?attach=/etc/passwd", "?subject=") would let a
// value, perhaps from an imported card, choose the mail's headers or attach files: it is dropped,
// as is a "mailto:" already in front and any line break.
QString mailAddressOnly(const QString& value);

// What the web box opens for a value: http, https and ftp addresses as they stand, a bare host
// with "http://" ("ftp://" for an "ftp." host) in front. Any other scheme ("javascript:", "ssh:",
// "file:") gives no address and names the scheme refused.
struct WebTarget {
    QString address;       // empty: nothing is opened
    QString refusedScheme; // the scheme that was refused, as written
};
WebTarget webTarget(const QString& value);

// Opens the web address of a value; a refused scheme is named in a warning (M230).
void OpenWebAddress(const QString& value);

// Opens the text unchanged with the desktop's program for it.
void ShellOpen(const QString& text);

// Starts the messenger program: the one named by Path/ICQPath of Phones.ini, else the default.
void StartMessenger();

// The messenger program chosen in Phones.ini as read at start-up; empty means the default.
void setMessengerPath(const QString& path);
// The program StartMessenger starts.
QString messengerPath();

// Pidgin, a messenger that speaks ICQ among others, at the place Debian installs it.
inline constexpr auto kDefaultMessengerPath = "/usr/bin/pidgin";

// The text a control shows, as the double-click handlers pass it on.
QString controlText(const QWidget* control);
