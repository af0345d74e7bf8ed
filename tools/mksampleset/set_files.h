#pragma once
// The text files of a sample set, as the suite reads them: profile files and information
// files with CR LF line ends, in the Windows-1252 code page, Japanese captions in code page 932.
#include <string>

#include "tools/mksampleset/sample_sets.h"

namespace mks {

// The set description file: [SetDescriptions] with the one set, then the set's pictures.
std::string ImagesIni(const SampleSet& set);
// A picture's information file: the caption blocks first (before any section, where the
// profile reader never looks), then the dialog texts, panorama settings and web link.
std::string InformationFile(const Picture& picture);
// photo.nfo: the set-wide dialog texts.
std::string SetInformationFile(const SampleSet& set);
std::string CompanyIni(const Company& company);

}  // namespace mks
