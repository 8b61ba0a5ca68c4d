// src/store: the settings store with registry semantics, registry access, .reg files; sqlite/ backend.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "texts/TextVariables.h"

namespace pw {

// Registry value types, numbered as the Windows registry numbers them.
enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    DWord = 4,         // REG_DWORD, little-endian
    MultiString = 7,   // REG_MULTI_SZ
    QWord = 11,        // REG_QWORD, little-endian
};

// One value. A String holds UTF-8 text; every other type holds its raw bytes as the registry
// keeps them (the text types among them in UTF-16LE), so copied joystick configurations keep
// their types exactly. A type number outside the enumerators is kept as it is.
struct RegistryValue {
    std::uint32_t type = static_cast<std::uint32_t>(ValueType::String);
    std::string data;

    static RegistryValue string(std::string text) {
        return {static_cast<std::uint32_t>(ValueType::String), std::move(text)};
    }
    bool isString() const { return type == static_cast<std::uint32_t>(ValueType::String); }
    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// A failure of the store: it cannot be opened or read, or a write was refused. The message is one
// line that names the file and says what to do. Most are text variables of the interface
// (texts/StoreTexts.h): what() is the German default with the arguments filled in, storeMessage
// the text in the language of the tables.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    StoreError(std::string_view germanDefault, std::vector<std::string> arguments);

    // Empty for a message that is no text variable.
    std::string_view germanDefault() const { return germanDefault_; }
    const std::vector<std::string>& arguments() const { return arguments_; }

private:
    std::string_view germanDefault_;
    std::vector<std::string> arguments_;
};

// The text with %1 ... %9 replaced by the arguments, in one pass: an argument's own "%2" stays.
std::string fillIn(std::string_view text, const std::vector<std::string>& arguments);

// The message of a store failure in the language of the texts.
std::string storeMessage(const StoreError& error, const TextVariables& texts);

// A tree of keys and values with the registry's semantics, below one hive. Keys are named by
// paths of names joined by "\" ("Software\Orvalis\PadWarden\games\Action"); the empty path is the
// hive. Key and value names compare without regard to case, German letters included ("Äpfel" and
// "äpfel" name one key); a name keeps the spelling it was created with. Subkeys and values are
// listed in creation order. Every write is done whole or not at all.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual bool keyExists(std::string_view path) = 0;
    // Creates the key and every missing key on the way; an existing key is left as it is.
    virtual void createKey(std::string_view path) = 0;
    // The names of the key's subkeys, as spelled when created, in creation order; empty when the
    // key does not exist.
    virtual std::vector<std::string> subkeys(std::string_view path) = 0;
    virtual std::vector<std::string> valueNames(std::string_view path) = 0;

    // nullopt when the key or the value does not exist.
    virtual std::optional<RegistryValue> readValue(std::string_view path, std::string_view name) = 0;
    // Writes a value into an existing key (StoreError when the key does not exist). A value of the
    // same name, in any case, is replaced and keeps its place and spelling.
    virtual void writeValue(std::string_view path, std::string_view name, const RegistryValue& value) = 0;
    // False when there was no such value.
    virtual bool deleteValue(std::string_view path, std::string_view name) = 0;

    // Deletes the key with everything below it. False when it did not exist; the hive itself
    // cannot be deleted.
    virtual bool deleteKey(std::string_view path) = 0;
    // Copies every value and subkey of `from` into `to`, which is created when missing; values of
    // the same name are replaced. False when `from` does not exist or `to` lies inside `from`.
    virtual bool copyKey(std::string_view from, std::string_view to) = 0;
    // Moves a key to a new path. Does nothing and answers false when `from` is missing, `to`
    // already exists, or `to` lies inside `from`.
    virtual bool moveKey(std::string_view from, std::string_view to) = 0;

    // Runs several operations as one transaction: all of them take effect, or (when work throws)
    // none does.
    virtual void batch(const std::function<void()>& work) = 0;
};

// The name as the store compares it: lower case, with the upper-case letters of Latin-1, Latin
// Extended-A, Greek and Cyrillic folded as well as A to Z.
std::string foldKeyName(std::string_view name);

// Splits "a\b\c" into its names; empty names (from "\\" or a trailing "\") are dropped.
std::vector<std::string_view> splitKeyPath(std::string_view path);

}  // namespace pw
