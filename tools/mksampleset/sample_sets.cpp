#include "tools/mksampleset/sample_sets.h"

namespace mks {

namespace {

Ridge MakeRidge(double baseY, double amplitude, double frequency, uint32_t colour, Surface surface,
                uint32_t seed, double snowLine = -1) {
  Ridge r;
  r.baseY = baseY;
  r.amplitude = amplitude;
  r.frequency = frequency;
  r.colour = Hex(colour);
  r.surface = surface;
  r.seed = seed;
  r.snowLine = snowLine;
  return r;
}

Ridge Span(Ridge r, double fromX, double toX) {
  r.fromX = fromX;
  r.toX = toX;
  return r;
}

Landscape Sky(uint32_t top, uint32_t horizon, double horizonY, uint32_t seed) {
  Landscape s;
  s.skyTop = Hex(top);
  s.skyHorizon = Hex(horizon);
  s.horizonY = horizonY;
  s.seed = seed;
  return s;
}

void Sun(Landscape& s, double x, double y, double radius, uint32_t colour, double glow) {
  s.sunX = x;
  s.sunY = y;
  s.sunRadius = radius;
  s.sunColour = Hex(colour);
  s.glow = glow;
}

void Clouds(Landscape& s, double amount, uint32_t colour) {
  s.clouds = amount;
  s.cloudColour = Hex(colour);
}

void Sea(Landscape& s, double horizonY, uint32_t nearColour, uint32_t farColour, double waveScale = 1) {
  s.hasWater = true;
  s.water = {horizonY, Hex(nearColour), Hex(farColour), waveScale};
}

// ---- Coastal Light ----

void PaintHarbour(Raster& r) {
  Landscape s = Sky(0x3B4A7A, 0xF2B48C, 0.6, 11);
  Sun(s, 1.05, 0.55, 0.035, 0xFFD9A0, 0.8);
  Clouds(s, 0.35, 0xC98E9A);
  s.farRidges = {MakeRidge(0.6, 0.05, 2.0, 0x6B6F8F, Surface::Forest, 12)};
  Sea(s, 0.6, 0x1F3550, 0x9A93B0);
  s.nearRidges = {Span(MakeRidge(0.78, 0.12, 2.5, 0x4A4038, Surface::Headland, 13), -1, 0.42)};
  PaintLandscape(r, s);
  PaintBoats(r, 0.6, 4, 14);
}

void PaintLighthousePoint(Raster& r) {
  Landscape s = Sky(0x2E6FB7, 0xBFD9EE, 0.55, 21);
  Sun(s, 0.25, 0.12, 0.04, 0xFFF6D8, 0.5);
  Clouds(s, 0.5, 0xF6F8FA);
  Sea(s, 0.55, 0x163F5E, 0x5C8FB0);
  s.nearRidges = {Span(MakeRidge(0.69, 0.03, 1.5, 0x7A6A5A, Surface::Headland, 22), 0.7, 3)};
  PaintLandscape(r, s);
  PaintLighthouse(r, 1.08, 0.7, 0.36, false);
}

void PaintSeaStacks(Raster& r) {
  Landscape s = Sky(0x87A9C9, 0xE6E0D0, 0.5, 31);
  Sun(s, 0.3, 0.28, 0.03, 0xFFF0D0, 0.3);
  Clouds(s, 0.6, 0xEDEFF2);
  Sea(s, 0.5, 0x2E5560, 0x8FAABB);
  s.nearRidges = {Span(MakeRidge(0.62, 0.33, 3.0, 0x6E5A4A, Surface::Rock, 32), 0.18, 0.48),
                  Span(MakeRidge(0.58, 0.18, 4.0, 0x5E4C3E, Surface::Rock, 33), 0.82, 1.0),
                  MakeRidge(0.9, 0.05, 1.2, 0xB8A27E, Surface::Sand, 34)};
  PaintLandscape(r, s);
}

void PaintFogBay(Raster& r) {
  Landscape s = Sky(0x9AA3A8, 0xD7DBDC, 0.55, 41);
  Sun(s, 0.8, 0.3, 0.05, 0xEEEEEA, 0.2);
  s.fog = 0.85;
  s.fogColour = Hex(0xD3D7D8);
  s.farRidges = {MakeRidge(0.5, 0.1, 1.4, 0x8C9590, Surface::Forest, 42),
                 MakeRidge(0.56, 0.08, 1.8, 0x6E7A72, Surface::Forest, 43),
                 MakeRidge(0.61, 0.05, 2.4, 0x56625A, Surface::Forest, 44)};
  Sea(s, 0.62, 0x4A5558, 0xB8C0C2, 0.6);
  s.nearRidges = {Span(MakeRidge(0.8, 0.3, 1.2, 0x26332C, Surface::Forest, 45), -1, 0.45)};
  PaintLandscape(r, s);
  PaintFilmGrain(r, 0.035, 46);
}

void PaintDunes(Raster& r) {
  Landscape s = Sky(0x4C6FA8, 0xF0C27A, 0.62, 51);
  Sun(s, 0.3, 0.46, 0.04, 0xFFE0A0, 0.7);
  Clouds(s, 0.15, 0xF5C8A0);
  s.farRidges = {MakeRidge(0.62, 0.1, 1.5, 0xD89A5C, Surface::Sand, 52),
                 MakeRidge(0.75, 0.12, 1.1, 0xC98A4E, Surface::Sand, 53),
                 MakeRidge(0.95, 0.2, 0.8, 0xE0A868, Surface::Sand, 54)};
  PaintLandscape(r, s);
}

void PaintCoastline(Raster& r) {
  Landscape s = Sky(0x1F5FAF, 0xCFE3F2, 0.55, 61);
  Sun(s, 2.3, 0.15, 0.05, 0xFFFBE8, 0.5);
  Clouds(s, 0.3, 0xFFFFFF);
  s.farRidges = {Span(MakeRidge(0.55, 0.14, 1.0, 0x8A7A68, Surface::Headland, 62), 1.7, 4)};
  Sea(s, 0.55, 0x0F4C6E, 0x6FA6C8);
  s.nearRidges = {Span(MakeRidge(0.7, 0.25, 1.6, 0x7B6652, Surface::Headland, 63), -1, 0.7),
                  Span(MakeRidge(0.93, 0.05, 0.9, 0xE2D2AE, Surface::Sand, 64), 0.5, 2.2)};
  PaintLandscape(r, s);
  PaintBoats(r, 0.55, 3, 65);
}

// ---- Mountain Panoramas ----

void PaintAlpineRidge(Raster& r) {
  Landscape s = Sky(0x1B2A55, 0xF4A76A, 0.55, 71);
  Sun(s, 1.3, 0.5, 0.04, 0xFFD27A, 0.7);
  Clouds(s, 0.2, 0xE8A0A8);
  s.fog = 0.35;
  s.fogColour = Hex(0xE8B898);
  s.farRidges = {MakeRidge(0.5, 0.36, 1.2, 0x7A7FA0, Surface::Rock, 72, 0.3),
                 MakeRidge(0.64, 0.26, 1.5, 0x4F5578, Surface::Rock, 73, 0.46),
                 MakeRidge(0.8, 0.1, 2.2, 0x22332E, Surface::Forest, 74)};
  s.nearRidges = {MakeRidge(0.95, 0.05, 1.0, 0x3D5A2A, Surface::Meadow, 75)};
  PaintLandscape(r, s);
}

void PaintWaterfallGorge(Raster& r) {
  Landscape s = Sky(0x3F78B5, 0xCFE2EA, 0.25, 81);
  Clouds(s, 0.4, 0xF4F6F8);
  s.farRidges = {MakeRidge(0.25, 0.1, 4.0, 0x8890A8, Surface::Rock, 82, 0.19),
                 MakeRidge(0.33, 0.04, 5.0, 0x2F4A34, Surface::Forest, 83),
                 MakeRidge(0.4, 0.02, 3.0, 0x6B5D50, Surface::Rock, 84)};
  s.nearRidges = {MakeRidge(0.98, 0.04, 6.0, 0x4A4038, Surface::Rock, 85)};
  PaintLandscape(r, s);
  PaintWaterfall(r, 0.36, 0.84, 86);
}

void PaintGlacierLake(Raster& r) {
  Landscape s = Sky(0x2F6DB0, 0xD8E8F0, 0.5, 91);
  Sun(s, 1.15, 0.1, 0.035, 0xFFFBEA, 0.5);
  Clouds(s, 0.35, 0xFFFFFF);
  s.farRidges = {MakeRidge(0.5, 0.36, 0.9, 0x6A6E7A, Surface::Rock, 92, 0.42),
                 MakeRidge(0.57, 0.04, 3.0, 0x2C4634, Surface::Forest, 93)};
  Sea(s, 0.57, 0x1D4A55, 0x5FA2B0, 0.5);
  s.nearRidges = {MakeRidge(0.93, 0.06, 1.4, 0x5E7F38, Surface::Meadow, 94)};
  PaintLandscape(r, s);
}

void PaintMeadows(Raster& r) {
  Landscape s = Sky(0x4A8AD0, 0xE0EEF5, 0.5, 101);
  Sun(s, 0.2, 0.12, 0.04, 0xFFFBE0, 0.5);
  Clouds(s, 0.45, 0xFFFFFF);
  s.farRidges = {MakeRidge(0.5, 0.08, 1.6, 0x7F95B0, Surface::Rock, 102),
                 MakeRidge(0.58, 0.05, 2.4, 0x2E4A30, Surface::Forest, 103),
                 MakeRidge(0.67, 0.05, 1.2, 0x6E9A3C, Surface::Meadow, 104),
                 MakeRidge(0.82, 0.08, 0.9, 0x7FAA45, Surface::Meadow, 105)};
  PaintLandscape(r, s);
}

void PaintStarryPeaks(Raster& r) {
  Landscape s = Sky(0x05081A, 0x1E2B52, 0.6, 111);
  s.stars = 0.004;
  Sun(s, 1.05, 0.18, 0.03, 0xE8ECF5, 0.25);
  Ridge peaks = MakeRidge(0.66, 0.4, 1.6, 0x262C45, Surface::Rock, 112, 0.4);
  peaks.snowColour = Hex(0x8C97B8);
  Ridge lower = MakeRidge(0.75, 0.1, 2.0, 0x0E1420, Surface::Forest, 113);
  s.farRidges = {peaks, lower};
  PaintLandscape(r, s);
}

void PaintSummit(Raster& r) {
  Landscape s = Sky(0x1A4E9A, 0xBFD5E8, 0.45, 121);
  Sun(s, 0.85, 0.15, 0.03, 0xFFFDF0, 0.6);
  Clouds(s, 0.2, 0xFFFFFF);
  s.farRidges = {MakeRidge(0.55, 0.4, 0.7, 0x5A5A66, Surface::Rock, 122, 0.5)};
  s.nearRidges = {MakeRidge(0.85, 0.12, 1.3, 0xE8EEF6, Surface::Snow, 123)};
  PaintLandscape(r, s);
  PaintFilmGrain(r, 0.02, 124);
}

}  // namespace

std::vector<SampleSet> SampleSets() {
  std::vector<SampleSet> sets;

  SampleSet coastal;
  coastal.name = "Coastal Light";
  coastal.folder = "Coastal";
  coastal.company = {
      "Coastal Light was painted for QuillMark by Harbourline Studio, a small studio by the sea.",
      "Harbourline Studio", "12 Quay Street", "Port Example, EX 01234", "(555) 010-4242",
      "www.example.com", 1, "http://www.example.com/", "http://www.example.com/sets/coastal-light", 1,
      "http://www.example.org/screensaver/"};
  coastal.photo = "Digital paintings by Harbourline Studio for QuillMark.";
  coastal.printOrder =
      "Prints of the Coastal Light pictures are available at www.example.com/prints or by "
      "telephone, (555) 010-4242.";

  {
    Picture p;
    p.name = "Harbour at Dawn";
    p.fileBase = "harbour";
    p.width = 1024;
    p.height = 768;
    p.paint = PaintHarbour;
    p.captions = {{
        {"Harbour at Dawn",
         "The fishing boats leave the harbour while the sun is still low.\n"
         "Its first light turns the water to copper and rose.\n\n"
         "By noon the boats will be far out at sea."},
        {"Hafen im Morgengrauen",
         "Die Fischerboote verlassen den Hafen, während die Sonne noch tief steht.\n"
         "Ihr erstes Licht färbt das Wasser kupfern und rosé.\n\n"
         "Gegen Mittag sind die Boote weit draußen auf See."},
        {"Le port à l'aube",
         "Les bateaux de pêche quittent le port alors que le soleil est encore bas.\n"
         "Sa première lumière donne à l'eau des reflets de cuivre et de rose.\n\n"
         "À midi, les bateaux seront loin au large."},
        {"El puerto al amanecer",
         "Los barcos de pesca salen del puerto cuando el sol aún está bajo.\n"
         "Su primera luz tiñe el agua de cobre y rosa.\n\n"
         "Al mediodía los barcos estarán mar adentro."},
        {"夜明けの港",
         "太陽がまだ低いうちに、漁船が港を出ていきます。\n"
         "朝の最初の光が、水面を銅色とばら色に染めます。\n\n"
         "昼には、船ははるか沖に出ているでしょう。"},
    }};
    p.pictureInfo = "Harbour at Dawn, Port Example";
    p.imageNumber = "Coastal Light, picture CL-01. 1024 x 768 pixels.";
    p.photo = "Digital painting by Zoë Marchand, Harbourline Studio.";
    p.printOrder = "Prints of Harbour at Dawn: www.example.com/prints/harbour, telephone (555) 010-4243.";
    p.url = "http://www.example.net/coastal/harbour-at-dawn";
    coastal.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Lighthouse Point";
    p.fileBase = "lighthse";
    p.width = 640;
    p.height = 480;
    p.kind = JpegKind::Progressive;
    p.paint = PaintLighthousePoint;
    p.captions = {{
        {"Lighthouse Point",
         "For a hundred years the light on the point has guided ships past the reef."},
        {"Leuchtturmspitze",
         "Seit hundert Jahren führt das Licht auf der Landspitze die Schiffe am Riff vorbei."},
        {"La pointe du phare",
         "Depuis cent ans, le feu de la pointe guide les navires au large du récif."},
        {"La punta del faro",
         "Desde hace cien años, la luz de la punta guía a los barcos más allá del arrecife."},
        {"灯台岬", "百年のあいだ、岬の灯台は船を岩礁の外へと導いてきました。"},
    }};
    p.infoStyle = InfoStyle::BlankKeyNames;
    p.pictureInfo = "Lighthouse Point on a bright morning";
    p.imageNumber = "Coastal Light, picture CL-02. 640 x 480 pixels, progressive JPEG.";
    p.photo = "Digital painting, Harbourline Studio.";
    coastal.pictures.push_back(p);
  }
  {
    Picture p;
    // A picture name may contain "~"; entries of the combined list split at the first one.
    p.name = "Sea Stacks~Low Tide";
    p.fileBase = "seastack";
    p.width = 800;
    p.height = 600;
    p.paint = PaintSeaStacks;
    p.captions = {{
        {"Sea Stacks at Low Tide",
         "At low tide you can walk out on the wet sand to the foot of the stacks.\n\n"
         "Watch the water: the tide comes back faster than you think."},
        {"Brandungspfeiler bei Ebbe",
         "Bei Ebbe kann man über den nassen Sand bis an den Fuß der Felsen gehen.\n\n"
         "Achten Sie auf das Wasser: Die Flut kommt schneller zurück, als man glaubt."},
        {"Les aiguilles à marée basse",
         "À marée basse, on peut marcher sur le sable mouillé jusqu'au pied des aiguilles.\n\n"
         "Surveillez l'eau : la marée remonte plus vite qu'on ne le croit."},
        {"Farallones con marea baja",
         "Con la marea baja se puede caminar por la arena mojada hasta el pie de las rocas.\n\n"
         "¡Cuidado con el agua! La marea sube más deprisa de lo que parece."},
        {"干潮の海食柱",
         "干潮のときは、ぬれた砂の上を歩いて岩のふもとまで行けます。\n\n"
         "潮は思ったより早く満ちてくるので、気をつけてください。"},
    }};
    p.infoStyle = InfoStyle::FileWideOnly;
    p.pictureInfo = "Sea stacks at low tide";
    p.imageNumber = "Coastal Light, picture CL-03. 800 x 600 pixels.";
    p.url = "http://www.example.net/coastal/sea-stacks";
    coastal.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Fog over the Bay";
    p.fileBase = "fogbay";
    p.width = 1600;
    p.height = 1200;
    p.kind = JpegKind::Greyscale;
    p.paint = PaintFogBay;
    p.captions = {{
        {"Fog over the Bay",
         "On autumn mornings the fog lies on the bay until the sun burns it away.\n"
         "Only the nearest trees show their shapes."},
        {"Nebel über der Bucht",
         "An Herbstmorgen liegt der Nebel über der Bucht, bis die Sonne ihn auflöst.\n"
         "Nur die nächsten Bäume zeigen ihre Umrisse."},
        {"Brume sur la baie",
         "Les matins d'automne, la brume couvre la baie jusqu'à ce que le soleil la dissipe.\n"
         "Seuls les arbres les plus proches laissent voir leur forme."},
        {"Niebla sobre la bahía",
         "En las mañanas de otoño la niebla cubre la bahía hasta que el sol la disipa.\n"
         "Solo los árboles más cercanos dejan ver su silueta."},
        {"湾の霧",
         "秋の朝、霧は太陽が消すまで湾をおおっています。\n"
         "近くの木々だけが、その形を見せています。"},
    }};
    p.pictureInfo = "Fog over the Bay";
    p.imageNumber = "Coastal Light, picture CL-04. 1600 x 1200 pixels, greyscale.";
    p.photo = "Digital painting in shades of grey, Harbourline Studio.";
    coastal.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Dunes in the Evening Wind";
    p.fileBase = "dunes";
    p.width = 1024;
    p.height = 768;
    p.paint = PaintDunes;
    p.captions = {{
        {"Dunes in the Evening Wind",
         "The wind draws fine ripples across the dunes.\n"
         "By morning it will have moved them a little further inland."},
        {"Dünen im Abendwind",
         "Der Wind zeichnet feine Rippeln in die Dünen.\n"
         "Bis zum Morgen hat er sie ein Stück weiter ins Land getragen."},
        {"Dunes dans le vent du soir",
         "Le vent dessine de fines rides sur les dunes.\n"
         "Au matin, il les aura poussées un peu plus loin dans les terres."},
        {"Dunas con el viento de la tarde",
         "El viento dibuja finas ondas sobre las dunas.\n"
         "Por la mañana las habrá llevado un poco más tierra adentro."},
        {"夕風の砂丘",
         "風が砂丘に細かい波もようを描きます。\n"
         "朝までに、砂丘は少し内陸へ動いているでしょう。"},
    }};
    p.pictureInfo = "Dunes in the evening wind";
    p.imageNumber = "Coastal Light, picture CL-05. 1024 x 768 pixels.";
    p.photo = "Digital painting, Harbourline Studio.";
    // A direction on a picture that is not panoramic: the saver holds it, but never pans.
    p.panDirection = "LEFTTORIGHT";
    coastal.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Coastline at Noon";
    p.fileBase = "coastpan";
    p.width = 1280;
    p.height = 480;
    p.paint = PaintCoastline;
    p.captions = {{
        {"Coastline at Noon",
         "From the headland the coast runs east to the white cliffs.\n"
         "Sailing boats wait for the afternoon wind."},
        {"Küste am Mittag",
         "Von der Landzunge zieht sich die Küste nach Osten bis zu den weißen Klippen.\n"
         "Segelboote warten auf den Nachmittagswind."},
        {"La côte à midi",
         "Depuis le cap, la côte file vers l'est jusqu'aux falaises blanches.\n"
         "Des voiliers attendent le vent de l'après-midi."},
        {"La costa al mediodía",
         "Desde el cabo, la costa se extiende hacia el este hasta los acantilados blancos.\n"
         "Los veleros esperan el viento de la tarde."},
        {"真昼の海岸",
         "岬から東へ、海岸は白い崖まで続いています。\n"
         "ヨットが午後の風を待っています。"},
    }};
    p.pictureInfo = "Coastline at noon, a panorama";
    p.imageNumber = "Coastal Light, picture CL-06. Panorama, 1280 x 480 pixels.";
    p.photo = "Digital panorama, Harbourline Studio.";
    // The right half: where a right-to-left pan starts.
    p.panoramicOrigin = 640;
    p.panDirection = "RightToLeft";
    coastal.pictures.push_back(p);
  }
  sets.push_back(coastal);

  SampleSet mountains;
  mountains.name = "Mountain Panoramas";
  mountains.folder = "Mountains";
  mountains.company = {
      "Mountain Panoramas comes to QuillMark from Summit Line Pictures, makers of wide views.",
      "Summit Line Pictures", "400 Ridge Road", "Highfield, EX 05678", "(555) 010-7070",
      "www.example.org", 1, "http://www.example.org/", "http://www.example.org/mountain-panoramas", 0,
      "http://www.example.org/screensaver/"};
  mountains.photo = "Digital paintings by Summit Line Pictures.";
  mountains.printOrder =
      "Large prints of the Mountain Panoramas: www.example.org/prints or (555) 010-7070.";

  {
    Picture p;
    p.name = "Alpine Ridge at Sunrise";
    p.fileBase = "ridge";
    p.width = 2048;
    p.height = 768;
    p.paint = PaintAlpineRidge;
    p.captions = {{
        {"Alpine Ridge at Sunrise",
         "The first light reaches the high summits while the valleys still sleep.\n\n"
         "Within the hour the snow will glow gold from end to end of the ridge."},
        {"Alpenkamm bei Sonnenaufgang",
         "Das erste Licht erreicht die hohen Gipfel, während die Täler noch schlafen.\n\n"
         "Binnen einer Stunde glüht der Schnee golden von einem Ende des Kamms zum anderen."},
        {"Crête alpine au lever du soleil",
         "La première lumière touche les hauts sommets pendant que les vallées dorment encore.\n\n"
         "Dans l'heure, la neige brillera d'or d'un bout à l'autre de la crête."},
        {"Cresta alpina al amanecer",
         "La primera luz alcanza las altas cumbres mientras los valles aún duermen.\n\n"
         "En menos de una hora la nieve brillará dorada de un extremo a otro de la cresta."},
        {"日の出のアルプス稜線",
         "谷がまだ眠っているあいだに、最初の光が高い山頂に届きます。\n\n"
         "一時間もすれば、稜線の雪は端から端まで金色に輝くでしょう。"},
    }};
    p.pictureInfo = "Alpine ridge at sunrise, a panorama";
    p.imageNumber = "Mountain Panoramas, picture MP-01. Panorama, 2048 x 768 pixels.";
    p.photo = "Digital panorama by Summit Line Pictures.";
    // No direction given: the saver pans a wide picture from left to right by itself.
    p.panoramicOrigin = 320;
    p.url = "http://www.example.net/mountains/alpine-ridge";
    mountains.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Waterfall Gorge";
    p.fileBase = "falls";
    p.width = 640;
    p.height = 1440;
    p.paint = PaintWaterfallGorge;
    p.captions = {{
        {"Waterfall Gorge",
         "The river drops into the gorge in one long fall.\n"
         "Mist from the pool keeps the rocks green all summer."},
        {"Wasserfallschlucht",
         "Der Fluss stürzt in einem einzigen langen Fall in die Schlucht.\n"
         "Die Gischt aus dem Becken hält die Felsen den ganzen Sommer grün."},
        {"La gorge de la cascade",
         "La rivière plonge dans la gorge d'une seule et longue chute.\n"
         "La bruine du bassin garde les rochers verts tout l'été."},
        {"El desfiladero de la cascada",
         "El río cae al desfiladero en un único y largo salto.\n"
         "La bruma de la poza mantiene verdes las rocas todo el verano."},
        {"滝の峡谷",
         "川はひとつの長い滝となって峡谷に落ちます。\n"
         "滝つぼの霧が、夏のあいだ岩を緑に保ちます。"},
    }};
    p.pictureInfo = "Waterfall gorge, a tall panorama";
    p.imageNumber = "Mountain Panoramas, picture MP-02. Tall panorama, 640 x 1440 pixels.";
    p.photo = "Digital panorama by Summit Line Pictures.";
    p.panoramicOrigin = 0;
    // Written in small letters on purpose: readers compare it upper-cased.
    p.panDirection = "bottomtotop";
    mountains.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Glacier Lake";
    p.fileBase = "glacier";
    p.width = 1600;
    p.height = 1200;
    p.paint = PaintGlacierLake;
    p.captions = {{
        {"Glacier Lake",
         "Meltwater from the glacier gives the lake its milky turquoise colour."},
        {"Gletschersee",
         "Das Schmelzwasser des Gletschers gibt dem See seine milchig türkise Farbe."},
        {"Le lac glaciaire",
         "L'eau de fonte du glacier donne au lac sa couleur turquoise laiteuse."},
        {"Lago glaciar",
         "El agua de deshielo del glaciar da al lago su color turquesa lechoso."},
        {"氷河湖", "氷河の雪どけ水が、湖に乳白色のターコイズの色を与えています。"},
    }};
    p.pictureInfo = "Glacier lake below the ice";
    p.imageNumber = "Mountain Panoramas, picture MP-03. 1600 x 1200 pixels.";
    p.photo = "Digital painting by Summit Line Pictures.";
    p.printOrder = "Glacier Lake is also sold as a poster: www.example.org/posters/glacier-lake.";
    mountains.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Summer Meadows";
    p.fileBase = "meadow";
    p.width = 800;
    p.height = 600;
    p.paint = PaintMeadows;
    p.captions = {{
        {"Summer Meadows",
         "Below the forest the high meadows are full of flowers in July.\n\n"
         "Cows graze here until the first snow."},
        {"Sommerwiesen",
         "Unterhalb des Waldes sind die Almwiesen im Juli voller Blumen.\n\n"
         "Bis zum ersten Schnee weiden hier Kühe."},
        {"Prairies d'été",
         "Sous la forêt, les alpages sont couverts de fleurs en juillet.\n\n"
         "Les vaches y paissent jusqu'à la première neige."},
        {"Prados de verano",
         "Bajo el bosque, los prados de montaña se llenan de flores en julio.\n\n"
         "Las vacas pastan aquí hasta la primera nieve."},
        {"夏の草原",
         "森の下の高原の草原は、七月には花でいっぱいになります。\n\n"
         "最初の雪が降るまで、ここで牛が草を食べます。"},
    }};
    p.infoStyle = InfoStyle::FileWideOnly;
    p.pictureInfo = "Summer meadows";
    p.imageNumber = "Mountain Panoramas, picture MP-04. 800 x 600 pixels.";
    mountains.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Peaks under the Stars";
    p.fileBase = "stars";
    p.width = 1024;
    p.height = 768;
    p.paint = PaintStarryPeaks;
    p.captions = {{
        {"Peaks under the Stars",
         "Far from any town the night sky is full of stars.\n"
         "The moon lights the snow on the summits."},
        {"Gipfel unter den Sternen",
         "Fern jeder Stadt ist der Nachthimmel voller Sterne.\n"
         "Der Mond beleuchtet den Schnee auf den Gipfeln."},
        {"Sommets sous les étoiles",
         "Loin de toute ville, le ciel nocturne est plein d'étoiles.\n"
         "La lune éclaire la neige des sommets."},
        {"Cumbres bajo las estrellas",
         "Lejos de cualquier ciudad, el cielo nocturno está lleno de estrellas.\n"
         "La luna ilumina la nieve de las cumbres."},
        {"星空の山々",
         "町から遠く離れた夜空は、星でいっぱいです。\n"
         "月が山頂の雪を照らしています。"},
    }};
    p.infoStyle = InfoStyle::BlankKeyNames;
    p.pictureInfo = "Peaks under the stars";
    p.imageNumber = "Mountain Panoramas, picture MP-05. 1024 x 768 pixels.";
    p.photo = "Digital painting by Summit Line Pictures.";
    p.url = "http://www.example.net/mountains/night-sky";
    mountains.pictures.push_back(p);
  }
  {
    Picture p;
    p.name = "Summit Snowfields";
    p.fileBase = "summit";
    p.width = 1024;
    p.height = 768;
    p.paint = PaintSummit;
    p.captions = {{
        {"Summit Snowfields",
         "Above three thousand metres the snow stays all year round."},
        {"Schneefelder am Gipfel",
         "Oberhalb von dreitausend Metern bleibt der Schnee das ganze Jahr liegen."},
        {"Névés du sommet",
         "Au-dessus de trois mille mètres, la neige reste toute l'année."},
        {"Neveros de la cumbre",
         "Por encima de los tres mil metros la nieve permanece todo el año."},
        {"山頂の雪原", "標高三千メートルを超えると、雪は一年中とけません。"},
    }};
    p.pictureInfo = "Snowfields below the summit";
    p.imageNumber = "Mountain Panoramas, picture MP-06. 1024 x 768 pixels.";
    p.photo = "Digital painting by Summit Line Pictures.";
    mountains.pictures.push_back(p);
  }
  sets.push_back(mountains);
  return sets;
}

}  // namespace mks
