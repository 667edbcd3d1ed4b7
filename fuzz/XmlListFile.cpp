// Reads arbitrary bytes as a list file, in both modes, into an equipment list and into a
// recording callback, then writes every read entry's fields back to text. The first byte
// chooses the mode and whether a root name is demanded. Coded texts that decoded must
// encode and decode to themselves.

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/CodedText.h"
#include "equipment/ObservingSiteManager.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class CheckingCallback : public orva::IOrvaXmlParserCallback {
public:
    explicit CheckingCallback(orva::XmlMode mode) : mode_(mode) {}
    void StartItem() override {
        if (open_) __builtin_trap();
        open_ = true;
    }
    void ItemValue(const std::string&, const std::string& text) override {
        if (!open_) __builtin_trap();
        if (mode_ == orva::XmlMode::Coded && orva::DecodeCodedText(orva::EncodeCodedText(text)) != text) __builtin_trap();
    }
    void EndItem() override {
        if (!open_) __builtin_trap();
        open_ = false;
    }
    void GetRoot(std::string&, std::size_t&) const override {}
    void GetItemShape(std::string&, std::size_t&) const override {}
    void GetField(std::size_t, std::size_t, std::string&, std::string&) const override {}
    bool Balanced() const { return !open_; }

private:
    orva::XmlMode mode_;
    bool open_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t control = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const orva::XmlMode mode = (control & 1) != 0 ? orva::XmlMode::Plain : orva::XmlMode::Coded;
    const std::string expectedRoot = (control & 2) != 0 ? "ObservingSites" : "";
    const orva::COrvaXmlParser parser(mode);

    CheckingCallback checking(mode);
    const orva::XmlReadResult first = parser.ReadBytes(checking, bytes, "fuzz", expectedRoot);
    if (!checking.Balanced()) __builtin_trap();

    // The settings object is only consulted, never loaded or saved, so nothing touches the disk.
    static orva::NotificationCenter center;
    static orva::Settings settings("", center);
    orva::ObservingSiteManager sites("", settings);
    const orva::XmlReadResult second = parser.ReadBytes(sites, bytes, "fuzz", expectedRoot);
    if (second.items != first.items || sites.Count() != second.items) __builtin_trap();

    std::string name;
    std::string text;
    for (std::size_t i = 0; i < sites.Count(); ++i) {
        for (std::size_t f = 0; f < 2 + sites.At(i).Fields().size(); ++f) sites.GetField(i, f, name, text);
        for (std::size_t f = 0; f < sites.At(i).Fields().size(); ++f) text = sites.At(i).DisplayText(f);
    }
    return 0;
}
