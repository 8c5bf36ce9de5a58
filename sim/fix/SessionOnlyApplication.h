#pragma once

#include <quickfix/Application.h>

// A FIX application that cares only about sessions coming and going: every message callback
// takes the message and does nothing. The gateway's acceptor and the trader both are one.
class SessionOnlyApplication : public FIX::Application {
  public:
    void onCreate(const FIX::SessionID&) override {}
    void toAdmin(FIX::Message&, const FIX::SessionID&) override {}
    void toApp(FIX::Message&, const FIX::SessionID&) throw(FIX::DoNotSend) override {}
    void fromAdmin(const FIX::Message&,
                   const FIX::SessionID&) throw(FIX::FieldNotFound, FIX::IncorrectDataFormat,
                                                FIX::IncorrectTagValue, FIX::RejectLogon) override {
    }
    void fromApp(const FIX::Message&,
                 const FIX::SessionID&) throw(FIX::FieldNotFound, FIX::IncorrectDataFormat,
                                              FIX::IncorrectTagValue,
                                              FIX::UnsupportedMessageType) override {}
};
