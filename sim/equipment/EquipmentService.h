#pragma once

#include <ctime>
#include <string>

#include "sim/equipment/EquipmentOptions.h"
#include "sim/equipment/SerialRegister.h"

// Answer codes of the simulated service (the "info" member of its replies).
inline constexpr char kCodeAccepted[] = "0000";
inline constexpr char kCodeKeyRefused[] = "2001";
inline constexpr char kCodeMalformed[] = "2002";
inline constexpr char kCodeFormatError[] = "2003";
inline constexpr char kCodeUsed[] = "2004";
inline constexpr char kCodeUnknown[] = "2005";

// The serial number format the simulated service accepts: 4 to 20 characters, each an ASCII
// letter, a digit or '-'.
bool IsWellFormedSerial(const std::string& serial);

// What the service decides for one request, before it goes on the wire.
struct ServiceAnswer {
  int status = 200;
  std::string body;  // empty: no body
  std::string note;  // for the request's log line: the request's serial and why it got its code
};

// The service's decisions: the request key, the format rule, the register and the switches of
// the command line.
class EquipmentService {
 public:
  enum class Request { kVerify, kConfirm };

  EquipmentService(const EquipmentOptions& options, SerialRegister* serials)
      : m_options(options), m_serials(serials) {}

  // The answer to one request with JSON body text, received at now.
  ServiceAnswer Answer(Request request, const std::string& body, std::time_t now);

 private:
  // The code for a well-formed, keyed request (the register's answer), with *note set.
  std::string Decide(Request request, const std::string& serial, const std::string& mac,
                     std::string* note);

  const EquipmentOptions m_options;
  SerialRegister* const m_serials;
};
