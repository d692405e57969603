// The listening thread: the pipe loop with its unpacking, the alert loop with its private
// alert, and the hand-over of events, errors and timeout questions to the component's
// handlers, on the main thread when the component is Synchronized.
#include "access/EventThread.h"

#include <mutex>
#include <utility>

#include "access/AccessTexts.h"
#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/VariableTypes.h"
#include "platform/Exception.h"
#include "platform/UiHooks.h"

namespace vek {
namespace texts = access_texts;
namespace {

// Item type codes of sys.dbms_pipe.next_item_type.
constexpr std::int32_t kNumberItem = 6;
constexpr std::int32_t kVarchar2Item = 9;
constexpr std::int32_t kRowidItem = 11;
constexpr std::int32_t kDateItem = 12;
constexpr std::int32_t kRawItem = 23;

// Status codes of the pipe receive and the alert wait.
constexpr std::int32_t kReceived = 0;
constexpr std::int32_t kTimedOut = 1;
constexpr std::int32_t kInterrupted = 3;

std::string AsciiUpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string TextOf(const Variant& value) {
  return value.Kind() == VariantKind::vkString ? value.AsString() : std::string();
}

}  // namespace

TEventThread::TEventThread(TOracleEvent& event) : event_(event) {
  thread_ = std::thread([this] { Execute(); });
}

TEventThread::~TEventThread() {
  if (thread_.joinable()) thread_.join();
}

void TEventThread::WaitUntilListening() {
  std::unique_lock lock(listeningMutex_);
  listeningChanged_.wait(lock, [this] { return listening_; });
}

std::string TEventThread::UniqueSessionId() const {
  std::lock_guard lock(listeningMutex_);
  return uniqueSessionId_;
}

void TEventThread::SignalListening() {
  std::lock_guard lock(listeningMutex_);
  listening_ = true;
  listeningChanged_.notify_all();
}

void TEventThread::Execute() {
  std::lock_guard running(event_.lock_);
  try {
    if (event_.ObjectType() == otAlert) {
      AlertLoop();
    } else {
      SignalListening();
      PipeLoop();
    }
  } catch (...) {
    // Both loops hand their errors over themselves; nothing may leave the thread.
  }
  SignalListening();
  // Cleared before the lock is left, so that a Stop that has finished waiting finds the
  // component not started.
  event_.started_.store(false);
}

void TEventThread::PipeLoop() {
  TOracleQuery& query = event_.EventQuery();
  try {
    for (;;) {
      query.Clear();
      query.DeclareVariable("status", otInteger);
      query.DeclareVariable("pipename", otString);
      query.SetVariable("pipename", Variant(event_.ObjectNames()));
      const std::int32_t timeOut = event_.TimeOut();
      if (timeOut > 0) {
        query.SQL = {"begin", "  :status := sys.dbms_pipe.receive_message(:pipename, :timeout);",
                     "end;"};
        query.DeclareVariable("timeout", otString);
        query.SetVariable("timeout", Variant(timeOut));
      } else {
        query.SQL = {"begin", "  :status := sys.dbms_pipe.receive_message(:pipename);", "end;"};
      }
      query.Execute();
      if (Terminated()) return;
      try {
        const std::int32_t status = query.GetVariable("status").AsInteger();
        if (status == kReceived) {
          UnpackAndDeliver();
        } else if (status == kTimedOut) {
          if (!AskAfterTimeOut()) return;
        } else if (status == kInterrupted) {
          return;
        }
      } catch (...) {
        DeliverError(std::current_exception());
      }
    }
  } catch (...) {
    DeliverError(std::current_exception());
  }
}

void TEventThread::UnpackAndDeliver() {
  const TOracleSession* session = event_.DuplicateSession();
  Variant info = session && session->NullValue == nvNull ? Variant::Null() : Variant();
  TOracleQuery& query = event_.EventQuery();
  // Built once per message and executed once per item and once more for the end: the
  // statement is prepared once and only re-executed.
  query.Clear();
  query.SQL = {"begin",
               "  :item_type := sys.dbms_pipe.next_item_type;",
               "  if :item_type = 6 then",
               "    sys.dbms_pipe.unpack_message(:number_item);",
               "  end if;",
               "  if :item_type = 9 then",
               "    sys.dbms_pipe.unpack_message(:varchar2_item);",
               "  end if;",
               "  if :item_type = 11 then",
               "    sys.dbms_pipe.unpack_message_rowid(:varchar2_item);",
               "  end if;",
               "  if :item_type = 23 then",
               "    sys.dbms_pipe.unpack_message_raw(:varchar2_item);",
               "  end if;",
               "  if :item_type = 12 then",
               "    sys.dbms_pipe.unpack_message(:date_item);",
               "  end if;",
               "end;"};
  query.DeclareVariable("item_type", otInteger);
  query.DeclareVariable("number_item", otFloat);
  // A pipe message holds up to 4,096 bytes, so one text item can be longer than a plain
  // string variable (4,000 bytes, 2,000 on the version-7 interface) takes; the PL/SQL string
  // variable takes the longest item a pipe can carry.
  query.DeclareVariable("varchar2_item", otPLSQLString);
  query.DeclareVariable("date_item", otDate);
  try {
    for (int counter = 0;; ++counter) {
      query.Execute();
      const std::int32_t type = query.GetVariable("item_type").AsInteger();
      Variant item;
      if (type == kNumberItem) {
        item = query.GetVariable("number_item");
      } else if (type == kVarchar2Item || type == kRowidItem || type == kRawItem) {
        item = query.GetVariable("varchar2_item");
      } else if (type == kDateItem) {
        item = query.GetVariable("date_item");
      } else {
        break;
      }
      if (counter == 0) {
        info = Variant::Array(0, {std::move(item)});
      } else {
        info.AsArray().elements.push_back(std::move(item));
      }
    }
  } catch (...) {
    DeliverError(std::current_exception());
  }
  objectName_ = event_.ObjectName(0);
  info_ = std::move(info);
  DeliverEvent();
}

void TEventThread::FetchUniqueSessionId() {
  TOracleQuery& query = event_.EventQuery();
  query.Clear();
  query.SQL = {"begin", "  :unique_session_id := sys.dbms_session.unique_session_id;", "end;"};
  query.DeclareVariable("unique_session_id", otString);
  query.Execute();
  const std::string id = AsciiUpperCase(TextOf(query.GetVariable("unique_session_id")));
  std::lock_guard lock(listeningMutex_);
  uniqueSessionId_ = id;
}

// The register and remove blocks: one line per listened name, then the private alert.
void TEventThread::RunAlertNamesBlock(const char* procedure) {
  TOracleQuery& query = event_.EventQuery();
  query.Clear();
  query.SQL = {"begin"};
  const std::string prefix = std::string("  sys.dbms_alert.") + procedure + "('";
  const int count = event_.ObjectNameCount();
  for (int index = 0; index < count; ++index) {
    query.SQL.push_back(prefix + TOracleEvent::QuotedLiteral(event_.ObjectName(index)) + "');");
  }
  query.SQL.push_back(prefix + TOracleEvent::QuotedLiteral(UniqueSessionId()) + "');");
  query.SQL.push_back("end;");
  query.Execute();
}

void TEventThread::AlertLoop() {
  TOracleQuery& query = event_.EventQuery();
  try {
    if (UniqueSessionId().empty()) FetchUniqueSessionId();
    RunAlertNamesBlock("register");
    SignalListening();
    for (;;) {
      query.Clear();
      query.DeclareVariable("status", otInteger);
      query.DeclareVariable("name", otString);
      query.DeclareVariable("message", otString);
      const std::int32_t timeOut = event_.TimeOut();
      if (timeOut > 0) {
        query.SQL = {"begin", "  sys.dbms_alert.waitany(:name, :message, :status, :timeout);",
                     "end;"};
        query.DeclareVariable("timeout", otString);
        query.SetVariable("timeout", Variant(timeOut));
      } else {
        query.SQL = {"begin", "  sys.dbms_alert.waitany(:name, :message, :status);", "end;"};
      }
      query.Execute();
      if (Terminated()) break;
      try {
        const std::int32_t status = query.GetVariable("status").AsInteger();
        if (status == kReceived) {
          objectName_ = TextOf(query.GetVariable("name"));
          info_ = Variant::Array(0, {query.GetVariable("message")});
          DeliverEvent();
        } else if (status == kTimedOut) {
          if (!AskAfterTimeOut()) break;
        }
      } catch (...) {
        DeliverError(std::current_exception());
      }
    }
    RunAlertNamesBlock("remove");
  } catch (...) {
    // Start waits for the registration; it must not wait for an error that never registers.
    SignalListening();
    DeliverError(std::current_exception());
  }
}

void TEventThread::Handover(const std::function<void()>& operation) {
  if (event_.Synchronized()) {
    RunOnMainThread(operation);
  } else {
    operation();
  }
}

void TEventThread::DeliverEvent() {
  const TOnEventEvent handler = event_.OnEvent();
  if (!handler) return;
  Handover([&] { handler(event_, objectName_, info_); });
}

void TEventThread::DeliverError(std::exception_ptr error) {
  if (interrupted_.load()) return;
  error_ = std::move(error);
  const TOnEventErrorEvent handler = event_.OnError();
  if (!handler) return;
  try {
    Handover([&] {
      try {
        std::rethrow_exception(error_);
      } catch (const std::exception& caught) {
        handler(event_, caught);
      } catch (...) {
        handler(event_, Exception(texts::kEventUnknownError));
      }
    });
  } catch (...) {
    // An error raised by the error handler itself has nowhere else to go.
  }
}

bool TEventThread::AskAfterTimeOut() {
  if (Terminated()) return true;
  continue_ = true;
  const TOnTimeOutEvent handler = event_.OnTimeOut();
  if (handler) Handover([&] { handler(event_, continue_); });
  return continue_;
}

}  // namespace vek
