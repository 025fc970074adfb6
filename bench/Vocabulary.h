#pragma once

#include <span>

namespace lesaro::bench::vocabulary {

// Word lists for the generated library (UTF-8). Lists whose entries differ in frequency are ordered from
// the most common entry to the rarest; the generator draws from them with a skew.
using List = std::span<const char* const>;

List surnames();
List femaleFirstNames();
List maleFirstNames();
List institutionalAuthors(); // corporate authors without a first name
List keywords();             // the subject words of the ten keyword fields, most common first
List titleNouns();           // with their article: "das Haus"
List titlePlaces();          // phrases that follow a noun: "am See"
List titlePlurals();         // for "Das große Buch der ..."
List sciences();             // feminine field names for "Einführung in die ..."
List firstNamesForTitles();  // children's book heroes
List editions();
List remarks();
List readerNotes();
List streets();

struct Publisher {
    const char* name;
    const char* place;
    int isbnGroup; // publisher part of the ISBN
};
std::span<const Publisher> publishers();

struct SubjectGroup {
    const char* name;
    const char* shelfCode; // start of the shelf mark
    double weight;
    bool children;
};
std::span<const SubjectGroup> subjectGroups();

struct Town {
    const char* postcode;
    const char* name;
    const char* areaCode;
    double weight;
};
std::span<const Town> towns();

} // namespace lesaro::bench::vocabulary
