#pragma once

// The numbered table of user messages, the box that shows them and the components' log
// channel.
//
// A component names a message by its number and hands it to ComOutMsgBox; the box goes
// through the process-wide MessagePresenter. The user interface installs one that shows a
// modal warning box captioned kMsgCaption; tests and unattended runs install a recording one;
// by default each message is written to standard error.

#include <string>
#include <string_view>
#include <vector>

namespace kivo::app {

using MsgCode = unsigned int;
inline constexpr MsgCode kMsgCodeMin = 1;
inline constexpr MsgCode kMsgCodeMax = 40;
inline constexpr const char* kMsgCaption = "KIVOMeriview";

// The text of row `code` (UTF-8; rows of two lines joined by '\n'); empty outside 1..40.
std::string_view msgText(MsgCode code);
// Rows 2, 3 and 4 are shown after a file's path (ComDspFileMsg).
bool isFileMsg(MsgCode code);

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Shows `text`, the full text of a box for row `code`, and returns when the user has
  // closed it.
  virtual void show(MsgCode code, const std::string& text) = 0;
  // A number that has no box (outside the table, or not a file message for ComDspFileMsg);
  // nothing must be shown to the user.
  virtual void unknown(MsgCode code) = 0;
};

// Writes "KIVOMeriview: message N: text" (or "... message N: not in the table") to stderr.
class StderrMessagePresenter final : public MessagePresenter {
 public:
  void show(MsgCode code, const std::string& text) override;
  void unknown(MsgCode code) override;
};

// Keeps every call in order.
class RecordingMessagePresenter final : public MessagePresenter {
 public:
  struct Entry {
    MsgCode code;
    std::string text;  // empty for unknown numbers
    bool known;
  };
  void show(MsgCode code, const std::string& text) override { entries_.push_back({code, text, true}); }
  void unknown(MsgCode code) override { entries_.push_back({code, {}, false}); }
  const std::vector<Entry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

// The process-wide presenter. It is not owned and must outlive its installation; nullptr
// restores the default (StderrMessagePresenter). Returns the previously installed one
// (nullptr for the default). Messages are shown from the user-interface thread only.
MessagePresenter* setMessagePresenter(MessagePresenter* presenter);
MessagePresenter& messagePresenter();

// Installs a presenter for the lifetime of the object, then restores the previous one.
class ScopedMessagePresenter {
 public:
  explicit ScopedMessagePresenter(MessagePresenter& presenter) : previous_(setMessagePresenter(&presenter)) {}
  ~ScopedMessagePresenter() { setMessagePresenter(previous_); }
  ScopedMessagePresenter(const ScopedMessagePresenter&) = delete;
  ScopedMessagePresenter& operator=(const ScopedMessagePresenter&) = delete;

 private:
  MessagePresenter* previous_;
};

// A component's log channel: it carries the owner's class name and produces no output.
class ComLogOutPut {
 public:
  void setName(std::string_view name) { name_ = name; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

class ComOutMsgBox {
 public:
  ComOutMsgBox() { log_.setName("ComOutMsgBox"); }

  // Shows row `code`; a number outside 1..40 reaches the presenter as unknown(code).
  void ComDspMsg(MsgCode code) const;
  // Shows `path`, a line break and row `code`; only rows 2, 3 and 4, any other number
  // reaches the presenter as unknown(code).
  void ComDspFileMsg(MsgCode code, std::string_view path) const;

  const ComLogOutPut& log() const { return log_; }

 private:
  ComLogOutPut log_;
};

}  // namespace kivo::app
