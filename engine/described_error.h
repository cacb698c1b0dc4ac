#pragma once
// The base of the failures this program reports to the user: a description in plain words.
// Every layer throws its own kind of it, so a report can show any of them alike.

#include <QString>
#include <stdexcept>

namespace brelloquin {

class DescribedError : public std::runtime_error {
 public:
  explicit DescribedError(const QString& description)
      : std::runtime_error(description.toStdString()), description_(description) {}
  const QString& description() const { return description_; }

 private:
  QString description_;
};

}  // namespace brelloquin
