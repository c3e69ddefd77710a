// What the module writes on the standard output and error streams while a
// check runs. Both descriptors are pointed at pipes for the time being (the
// module's C runtime is the program's: msvcrt.dll on Windows, the C library
// on Linux, so it writes through the same descriptors), and put back after.
#ifndef PELLASTO_CHECK_CAPTURE_H
#define PELLASTO_CHECK_CAPTURE_H

#include <string>

namespace check {

class OutputCapture {
 public:
  // Starts capturing; ok() says whether it could.
  OutputCapture();
  ~OutputCapture();
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  bool ok() const { return ok_; }
  // Stops capturing, once, and keeps what was written. A check writes less
  // than a pipe holds (a few lines), so nothing waits on a reader.
  void stop();
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  bool ok_ = false;
  bool stopped_ = false;
  int saved_[2] = {-1, -1};
  int readers_[2] = {-1, -1};
  std::string out_, err_;
};

}  // namespace check

#endif  // PELLASTO_CHECK_CAPTURE_H
