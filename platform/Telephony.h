#pragma once

#include <QString>

// Assisted telephony: a call request made of four texts goes to whatever call manager the desktop
// has; that program places the call. Nothing comes back: the request's outcome is never examined.
class Telephony {
public:
    virtual ~Telephony() = default;
    virtual void tapiRequestMakeCall(const QString& destAddress, const QString& appName, const QString& calledParty,
                                     const QString& comment) = 0;

    // The process-wide service: the desktop's unless a test installed another one.
    static Telephony& current();
    // Installs a service (not owned); nullptr brings the desktop's back. Returns the one replaced.
    static Telephony* setCurrent(Telephony* telephony);
};

// Linux has no assisted-telephony service; the desktop's "tel:" handler (a softphone, a phone
// link) plays its part. The request becomes a "tel:" address handed to the current Shell. The
// application name, called party and comment have no place in such an address and are dropped.
class DesktopTelephony : public Telephony {
public:
    void tapiRequestMakeCall(const QString& destAddress, const QString& appName, const QString& calledParty,
                             const QString& comment) override;

    // "tel:" + the number as typed. Plus signs, digits, letters, brackets, hyphens, dots, '*', ','
    // and ';' stay as they are; only what an address cannot hold is percent-encoded as UTF-8 bytes:
    // blanks (%20), '#' (%23), '%' (%25), '?' (%3F), '"', '<', '>', '\', '^', '`', '{', '|', '}',
    // control and non-ASCII characters. A handler that decodes the address gets the number back
    // unchanged; an empty number gives "tel:" alone.
    static QString telUri(const QString& number);
};
