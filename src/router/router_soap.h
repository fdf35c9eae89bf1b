#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tarvo {

// The request body of a UPnP action without arguments.
QByteArray soapEnvelope(const QString& serviceType, const QString& action);
// Its SOAPAction header's value.
QByteArray soapActionHeader(const QString& serviceType, const QString& action);

// The text of an answer's out-argument (by local name, within the action's response in the
// body); nullopt for a fault, a DTD, or anything else.
std::optional<QString> soapValue(const QByteArray& answer, const QString& action,
                                 const QString& argument);

// The fault a router answered instead (HTTP 500 with a SOAP Fault in the body), as a short
// text of ours: "SOAP fault, UPnP error 401"; nullopt where the answer is no fault.
std::optional<QString> soapFault(const QByteArray& answer);

// A byte counter as routers answer it: decimal digits, at most 2^63 - 1. Signed 32-bit
// counters past 2 GiB answer negative numbers: "-1" to "-2147483648" are taken modulo 2^32.
// Signs, blanks, exponents, nothing or too many digits: nullopt.
std::optional<std::uint64_t> counterValue(const QString& text);
// A plain count (uptime seconds, bits per second): digits only, at most 2^63 - 1.
std::optional<qint64> countValue(const QString& text);

} // namespace tarvo
