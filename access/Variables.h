// TVariables: a statement's list of declared bind variables. It declares, re-declares and
// deletes variables, converts values into and out of their buffers (scalars, arrays for array
// binding, PL/SQL tables, substitution and cursor variables), binds them for each execution
// over either client interface, pastes substitution variables into the text, and copies
// itself to another statement's list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access/QueryVariables.h"
#include "access/VariableData.h"
#include "access/VariableTypes.h"
#include "platform/Variant.h"

namespace vek {

class TComponent;
class TOracleQuery;
class TOracleSession;

class TVariables : public TQueryVariables {
 public:
  explicit TVariables(TOracleQuery* owner = nullptr);
  ~TVariables() override;
  TVariables(const TVariables&) = delete;
  TVariables& operator=(const TVariables&) = delete;

  // The statement's variable list, created and handed to the statement on first use.
  static TVariables& Of(TOracleQuery& query);
  // ":" in front unless empty or already there, then upper-cased.
  static std::string NormalizeName(const std::string& name);

  TOracleQuery* Owner() const { return owner_; }

  void DeclareVariable(const std::string& name, std::int32_t type);
  void DeclarePLSQLTable(const std::string& name, std::int32_t tableSize, std::int32_t stringSize);
  void DeleteVariable(const std::string& name);
  void DeleteVariables();
  int VariableCount() const { return static_cast<int>(items_.size()); }
  std::string VariableName(int index) const;
  std::int32_t VariableType(int index) const;
  int VariableIndex(const std::string& name) const;
  void SetVariable(const std::string& name, const Variant& value);
  Variant GetVariable(const std::string& name) const;
  // Objects are passed by reference here; for otCursor the object must be a TOracleQuery.
  void SetComplexVariable(const std::string& name, TComponent* object);
  TComponent* ComplexVariable(const std::string& name) const;
  // Copies declarations and values from a list that belongs to another statement.
  void Assign(const TVariables& source);

  TVariableData& Data(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TVariableData& Data(int index) const { return *items_.at(static_cast<std::size_t>(index)); }

  // TQueryVariables.
  int Count() const override { return VariableCount(); }
  std::string Substitute(const std::string& text) const override;
  bool Substitutes() const override;
  bool ForcesPreparation() const override;
  void ForgetBindHandles() override;
  std::int32_t BindAll(TOracleQuery& query) override;
  void UpdateAfterExecute(TOracleQuery& query) override;
  std::string DebugText() const override;
  void DeleteAll() override { DeleteVariables(); }
  TVariables* VariableList() override { return this; }

 private:
  TOracleSession* Session() const;
  // VariableIndex for a name NormalizeName has already made.
  int IndexOfNormalized(const std::string& normalized) const;
  int FindOrRaise(const std::string& normalized, const char* prefix, const char* suffix) const;
  void StatementChanged();
  void Resize(TVariableData& variable, std::int32_t count, std::int32_t stringSize);
  void StoreElement(TVariableData& variable, std::int32_t slot, const Variant& value);
  void StoreElementByType(TVariableData& variable, std::int32_t slot, const Variant& value);
  Variant ReadElement(const TVariableData& variable, std::int32_t slot) const;
  Variant EmptyValue() const;
  std::string TextForSending(std::string text) const;
  std::string TextForReading(const std::string& text) const;
  void BindOne(TOracleQuery& query, TVariableData& variable, std::int32_t& arraySize);

  TOracleQuery* owner_;
  std::vector<std::unique_ptr<TVariableData>> items_;
};

}  // namespace vek
