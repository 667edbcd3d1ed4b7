#pragma once
// A list of catalogue stars (right ascension and declination in degrees, J2000, and V
// magnitude), read from the text file that scripts/make-star-list.sh writes: one star per
// line as "ra, dec, mag"; lines starting with '#' and empty lines are skipped.
//
// Immutable once loaded; may be read from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct CatalogStar {
    double rightAscensionDeg = 0.0;
    double declinationDeg = 0.0;
    double magnitude = 0.0;
};

class StarCatalog {
public:
    StarCatalog() = default;
    explicit StarCatalog(std::vector<CatalogStar> stars) : stars_(std::move(stars)) {}

    // Empty with the reason in `error` ("<path>: line N: ...") when the file cannot be read
    // or a line is not three finite numbers in range.
    static std::optional<StarCatalog> Parse(std::string_view text, std::string* error);
    static std::optional<StarCatalog> LoadFile(const std::string& path, std::string* error);

    const std::vector<CatalogStar>& Stars() const { return stars_; }

private:
    std::vector<CatalogStar> stars_;
};

}  // namespace orva
