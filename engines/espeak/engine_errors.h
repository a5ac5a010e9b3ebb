// Error codes of the espeak-ng engine library. The plug-in only logs them, so
// they are our own; each names one reason a call could not be served.
#pragma once

namespace espeak_engine {

enum EngineError : int {
    kOk = 0,
    kErrNullArgument = 20001,           // a required pointer or string was null
    kErrMalformedParams = 20002,        // a parameter string item is not "key = value"
    kErrInvalidValue = 20003,           // a number that does not parse or lies outside 0..100
    kErrMissingAppId = 20004,           // the login string has no appid
    kErrUnknownVoice = 20005,           // voice_name is not a voice of the voice list
    kErrUnsupportedSampleRate = 20006,  // sample_rate other than 16000
    kErrUnsupportedEncoding = 20007,    // text_encoding other than GBK
    kErrNotLoggedIn = 20008,            // session call or logout without a login
    kErrAlreadyLoggedIn = 20009,        // second login without a logout in between
    kErrSessionBusy = 20010,            // a session is already open; one at a time is served
    kErrUnknownSession = 20011,         // no open session has this identifier
    kErrTextAlreadyPut = 20012,         // the session already has its text
    kErrTextNotPut = 20013,             // audio asked for before any text
    kErrInvalidText = 20014,            // the bytes are not valid GBK
    kErrEngineStart = 20015,            // espeak-ng could not be initialised
    kErrSynthesisFailed = 20016,        // espeak-ng failed mid-text, or its rate cannot be resampled
    kErrInternal = 20017,               // anything unexpected, caught at the library boundary
};

}  // namespace espeak_engine
