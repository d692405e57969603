// Binding the declared variables to a statement before each execution, over the version-8
// interface (by name, keeping a binding whose buffer has not moved) or the version-7 one
// (obndra every time). PL/SQL tables pass their size and a current count that the client
// library writes back.
#include <algorithm>
#include <string>
#include <vector>

#include "access/AccessTexts.h"
#include "access/OracleConstants.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/SessionFeature.h"
#include "access/VariableTexts.h"
#include "access/Variables.h"
#include "platform/Exception.h"

namespace vek {
namespace texts = variable_texts;
namespace {

constexpr ub2 kTypeString = 5;
constexpr ub2 kTypeCursorArea = 102;
constexpr std::int32_t kLargestLengthSlot = 65535;

struct BindArguments {
  void* address = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  ub2* lengthSlot = nullptr;
  bool alwaysRebind = false;
};

}  // namespace

std::int32_t TVariables::BindAll(TOracleQuery& query) {
  if (query.CursorVariableTarget()) return 0;
  std::int32_t arraySize = 0;
  for (auto& item : items_) {
    if (item->type == otSubst) continue;
    BindOne(query, *item, arraySize);
  }
  return arraySize;
}

void TVariables::BindOne(TOracleQuery& query, TVariableData& variable, std::int32_t& arraySize) {
  TOracleSession* session = query.Session();
  const bool version8 = query.UsesOCI8();
  BindArguments bind;
  bind.address = variable.buffer.data();
  bind.size = variable.elementSize;
  bind.type = static_cast<ub2>(variable.type);
  switch (variable.type) {
    case otPLSQLString: bind.type = kTypeString; break;
    case otString:
    case otChar:
      bind.size = std::min(variable.elementSize, session->MaxStringLength() + 1);
      // A text longer than the bound size would reach the server without its zero byte,
      // which the server refuses (or reads one character too far): it ends within the size.
      if (bind.size < variable.elementSize) {
        for (std::int32_t i = 0; i < variable.elementCount; ++i) {
          variable.Slot(i)[bind.size - 1] = 0;
        }
      }
      break;
    case otLong:
    case otLongRaw:
      if (variable.elementSize <= kLargestLengthSlot) {
        variable.lengthSlot = static_cast<ub2>(std::max(variable.valueLength, 0));
        bind.lengthSlot = &variable.lengthSlot;
      }
      break;
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile: {
      const char* subject = variable.type == otObject      ? access_texts::kSubjectObjectVariable
                            : variable.type == otReference ? access_texts::kSubjectReferenceVariable
                                                           : access_texts::kSubjectLobVariable;
      CheckSessionFeature(session, subject);
      if (!variable.object) {
        const char* prefix = variable.type == otObject      ? texts::kObjectNil
                             : variable.type == otReference ? texts::kReferenceNil
                                                            : texts::kLOBNil;
        throw Exception(prefix + variable.name + texts::kCannotBeNil);
      }
      throw Exception(variable.name + texts::kComplexBindingNotSupported);
    }
    case otCursor: {
      if (!variable.object) {
        throw Exception(texts::kCursorNil + variable.name + texts::kCannotBeNil);
      }
      auto* target = dynamic_cast<TOracleQuery*>(variable.object);
      if (!target) throw Exception(texts::kAssignQuery + variable.name);
      OCIStmt** handle = target->BecomeCursorVariableTarget();
      if (version8) {
        bind.address = handle;
        bind.size = 0;
      } else {
        bind.address = target->CursorDataArea();
        bind.size = -1;
        bind.type = kTypeCursorArea;
      }
      // The target's handle is new on every execution.
      bind.alwaysRebind = true;
      break;
    }
    default: break;
  }

  ub4 maximumElements = 0;
  ub4* currentElements = nullptr;
  if (variable.plsqlTable) {
    arraySize = 1;
    maximumElements = static_cast<ub4>(variable.elementCount);
    currentElements = &variable.elementsInUse;
  } else if (arraySize == 0) {
    arraySize = variable.elementCount;
  } else if (arraySize != variable.elementCount) {
    throw Exception(texts::kArraysOfEqualSize);
  }

  if (!version8) {
    query.CursorBind(variable.name, bind.address, bind.size, bind.type, variable.indicators.data(),
                     bind.lengthSlot, maximumElements, currentElements);
    return;
  }

  if (!bind.alwaysRebind && variable.bindHandle && variable.boundAddress == bind.address &&
      variable.boundIndicators == variable.indicators.data() && variable.boundSize == bind.size &&
      variable.boundCount == variable.elementCount) {
    return;
  }
  variable.boundAddress = nullptr;
  query.BindByName(&variable.bindHandle, variable.name, bind.address, bind.size, bind.type,
                   variable.indicators.data(), bind.lengthSlot, maximumElements, currentElements);
  variable.boundAddress = bind.address;
  variable.boundIndicators = variable.indicators.data();
  variable.boundSize = bind.size;
  variable.boundCount = variable.elementCount;
}

}  // namespace vek
