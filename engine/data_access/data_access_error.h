#pragma once

#include "shell/numbered_error.h"

namespace brelloquin::data_access {

// Every failure of the data-access layer: a number and the provider's description.
class DataAccessError : public shell::NumberedError {
 public:
  using NumberedError::NumberedError;
};

// A failure after which the connection cannot go on (its table could not be written): the
// connection closes itself, so no caller repeats the failure row after row.
class ConnectionBroken : public DataAccessError {
 public:
  using DataAccessError::DataAccessError;
};

// Numbers of the failures that are not opening failures (those use shell::kE_FAIL).
inline constexpr long kErrProviderNotFound = 3706;
inline constexpr long kErrObjectClosed = 3704;
inline constexpr long kErrBadArgument = 3001;
inline constexpr long kErrNoCurrentRecord = 3021;
inline constexpr long kErrItemNotFound = 3265;
inline constexpr long kErrQuery = -2147217900;        // a statement the provider cannot run
inline constexpr long kErrOutOfMemory = -2147024882;  // E_OUTOFMEMORY

}  // namespace brelloquin::data_access
