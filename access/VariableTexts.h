// The fixed English texts of the bind variables and the package call builder, kept together
// so that they can be read, compared and translated in one sitting. A text that quotes a
// name or a number is completed by the code around it; the comment shows how.
#pragma once

namespace vek::variable_texts {

// Declaring, deleting and looking up.
inline constexpr const char* kEmptyName = "You cannot declare a variable with an empty name";
inline constexpr const char* kUnsupportedType = "Unsupported variable type";
inline constexpr const char* kVariablePrefix = "Variable ";  // + name + kNotDeclared
inline constexpr const char* kNotDeclared = " not declared";
inline constexpr const char* kUnknownVariable = "Unknown variable: ";  // + name
inline constexpr const char* kDoesNotExist = " does not exist";        // "Variable " + index + ...

// PL/SQL tables.
inline constexpr const char* kTableTypes =
    "Only PL/SQL Tables of strings, integers, floats and dates supported";
inline constexpr const char* kTableNeedsStringSize =
    "You must specify a string size for a PL/SQL Table of strings";
inline constexpr const char* kTableStringSizeOnlyForStrings =
    "You can only specify a string size for a PL/SQL Table of strings";
inline constexpr const char* kTableNeedsSize = "You must specify the size of the PL/SQL Table";
inline constexpr const char* kArrayLargerThanTable = "Array is larger than PL/SQL Table (";
inline constexpr const char* kIsAPLSQLTable = " is a PL/SQL Table, assign a variant array to it";

// Setting values.
inline constexpr const char* kComplexNotArray = " is a complex variable and cannot be an array";
inline constexpr const char* kSubstNotArray = " is a substitution variable and cannot be an array";
inline constexpr const char* kOnlyByteArrays = "Only one-dimensional array of bytes allowed for ";
inline constexpr const char* kPassObject = "Pass LongInt(Object) to complex variable ";
// A number cannot carry an object on this platform: SetComplexVariable must be used.
inline constexpr const char* kUseSetComplexVariable =
    "Use SetComplexVariable to assign an object to complex variable ";
inline constexpr const char* kUnsupportedTypeFor = "Unsupported variable type for ";
inline constexpr const char* kConversionError = "Variant conversion error for variable ";

// Complex variables.
inline constexpr const char* kNotComplex = " is not a complex variable";
inline constexpr const char* kAssignObject = "Assign TOracleObject instance to variable ";
inline constexpr const char* kAssignReference = "Assign TOracleReference instance to variable ";
inline constexpr const char* kAssignLOB = "Assign TLOBLocator instance to variable ";
inline constexpr const char* kAssignQuery = "Assign TOracleQuery instance to variable ";
inline constexpr const char* kObjectNil = "Object variable ";  // + name + kCannotBeNil
inline constexpr const char* kReferenceNil = "Reference variable ";
inline constexpr const char* kLOBNil = "LOB variable ";
inline constexpr const char* kCursorNil = "Cursor variable ";
inline constexpr const char* kCannotBeNil = " cannot be nil";
// Objects, references and LOB locators are outside what this layer binds.
inline constexpr const char* kComplexBindingNotSupported =
    " cannot be bound: object, reference and LOB variables are not supported";

// Binding, copying and the stored form.
inline constexpr const char* kArraysOfEqualSize = "All arrays must be of equal size for Array DML";
inline constexpr const char* kInvalidVersion = "Invalid version of Query variables";
inline constexpr const char* kAssignOwnedOnly =
    "Can only Assign TVariables owned by a TOracleQuery";
inline constexpr const char* kTruncatedStoredForm = "Stored Query variables are truncated";

// Debug display values.
inline constexpr const char* kDisplayTable = "(PL/SQL Table)";
inline constexpr const char* kDisplayArray = "(Array)";
inline constexpr const char* kDisplayLongRaw = "(Long Raw)";
inline constexpr const char* kDisplayLong = "(Long)";
inline constexpr const char* kDisplayCursor = "(Cursor)";
inline constexpr const char* kDisplayCLOB = "(CLOB)";
inline constexpr const char* kDisplayBLOB = "(BLOB)";
inline constexpr const char* kDisplayBFile = "(BFile)";
inline constexpr const char* kDisplayReference = "(Reference)";
inline constexpr const char* kDisplayObject = "(Object)";
inline constexpr const char* kDisplayNull = "Null";

// Package calls.
inline constexpr const char* kEvenParameters =
    "Even number of parameters required when ParameterMode = pmNamed";
inline constexpr const char* kNamesMustBeStrings = "Parameter names must be strings";
inline constexpr const char* kByteParameters =
    "Byte parameters can only be used for output parameter types";
inline constexpr const char* kTypeOfParameter = "Type of parameter ";  // + name + kNotSupported
inline constexpr const char* kNotSupported = " not supported";

}  // namespace vek::variable_texts
