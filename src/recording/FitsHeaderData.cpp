#include "recording/FitsHeaderData.h"

namespace orva {

void FitsHeaderData::SetNaxis1(int value) { SetValue("NAXIS1", std::to_string(value)); }
int FitsHeaderData::GetNaxis1() const { return GetInt("NAXIS1"); }
void FitsHeaderData::SetNaxis2(int value) { SetValue("NAXIS2", std::to_string(value)); }
int FitsHeaderData::GetNaxis2() const { return GetInt("NAXIS2"); }
void FitsHeaderData::SetBitpix(int value) { SetValue("BITPIX", std::to_string(value)); }
int FitsHeaderData::GetBitpix() const { return GetInt("BITPIX"); }
void FitsHeaderData::SetObject(const std::string& value) { SetValue("OBJECT", value); }
std::string FitsHeaderData::GetObject() const { return GetValue("OBJECT"); }
void FitsHeaderData::SetTelescop(const std::string& value) { SetValue("TELESCOP", value); }
std::string FitsHeaderData::GetTelescop() const { return GetValue("TELESCOP"); }
void FitsHeaderData::SetInstrume(const std::string& value) { SetValue("INSTRUME", value); }
std::string FitsHeaderData::GetInstrume() const { return GetValue("INSTRUME"); }
void FitsHeaderData::SetObserver(const std::string& value) { SetValue("OBSERVER", value); }
std::string FitsHeaderData::GetObserver() const { return GetValue("OBSERVER"); }
void FitsHeaderData::SetComment(const std::string& value) { SetValue("COMMENT", value); }
std::string FitsHeaderData::GetComment() const { return GetValue("COMMENT"); }

void FitsHeaderData::SetValue(const std::string& keyword, const std::string& value) { values_[keyword] = value; }

std::string FitsHeaderData::GetValue(const std::string& keyword) const {
    const auto it = values_.find(keyword);
    return it == values_.end() ? std::string() : it->second;
}

int FitsHeaderData::GetInt(const std::string& keyword) const { return std::stoi(GetValue(keyword)); }

}  // namespace orva
