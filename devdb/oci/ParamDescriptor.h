// A parameter descriptor: one select-list item as OCIParamGet hands it out, with the texts
// that OCIAttrGet returns pointers into.
#pragma once

#include "devdb/protocol/WireTypes.h"

namespace devdb::oci {

class ParamDescriptor {
 public:
  explicit ParamDescriptor(protocol::WireColumn column) : column(std::move(column)) {}
  protocol::WireColumn column;
  std::string schemaName;
  std::string typeName;
};

}  // namespace devdb::oci
