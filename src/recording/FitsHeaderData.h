#pragma once
// The header values of one FITS image: keyword to value text, ordered by keyword, one
// value per keyword. Values are kept without quotes and comments. The integer accessors
// store decimal text and parse it back with std::stoi, so a missing or non-numeric value
// throws std::invalid_argument and a value beyond 32 bits std::out_of_range.

#include <map>
#include <string>

namespace orva {

class FitsHeaderData {
public:
    virtual ~FitsHeaderData() = default;

    virtual void SetNaxis1(int value);
    virtual int GetNaxis1() const;
    virtual void SetNaxis2(int value);
    virtual int GetNaxis2() const;
    virtual void SetBitpix(int value);
    virtual int GetBitpix() const;
    virtual void SetObject(const std::string& value);
    virtual std::string GetObject() const;
    virtual void SetTelescop(const std::string& value);
    virtual std::string GetTelescop() const;
    virtual void SetInstrume(const std::string& value);
    virtual std::string GetInstrume() const;
    virtual void SetObserver(const std::string& value);
    virtual std::string GetObserver() const;
    virtual void SetComment(const std::string& value);
    virtual std::string GetComment() const;
    // Setting a keyword again replaces its value.
    virtual void SetValue(const std::string& keyword, const std::string& value);
    // The value, or empty text when the keyword is absent.
    virtual std::string GetValue(const std::string& keyword) const;

    const std::map<std::string, std::string>& Values() const { return values_; }

private:
    int GetInt(const std::string& keyword) const;

    std::map<std::string, std::string> values_;
};

}  // namespace orva
