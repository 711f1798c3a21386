#include "model/strings.h"

#include <algorithm>
#include <iterator>

namespace {

struct Text {
    int id;
    const char* utf8;
};

// Sorted by id.
constexpr Text texts[] = {
    {2, "Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)"},
    {3, "Dwa zasilania z systemu oraz sprzegło (rezerwa ukryta)"},
    {4, "Jedno zasilanie z systemu i jeden agregat"},
    {5, "Trzy zasilania z systemu"},
    {6, "Dwa zasilania z systemu i jeden agregat"},
    {7, "Trzy zasilania z systemu oraz sprzegło"},
    {8, "Dwa zasilania z systemu oraz sprzegło i agregat"},
    {9, "Rezerwa"},
    {10, "tgSZR - czas graniczny dla SZR"},
    {11, "tgSZRA - czas graniczny dla SZR na agregat"},
    {12, "tgPPZ oraz tgSPP - czas graniczny dla PPZ oraz czas graniczny dla SPP"},
    {13, "tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas wyczekiwania na SPP"},
    {14, "trSZR - opóźnienie rozruchu SZR od zaniku napięcia"},
    {15, "trSZRA - opóźnienie rozruchu SZR na agregat od zaniku napięcia"},
    {16, "trAZZ oraz trSPP - opóźnienie rozruchu AZZ oraz opóźnienie rozruchu SPP"},
    {17, "Czas impulsów sterujących"},
    {18, "Wariant A"},
    {19, "Wariant B"},
    {20, "Wariant C"},
    {21, "Wariant D"},
    // Signal names, state bits 0..55.
    {22, "U1 jest"},
    {23, "W2 wył"},
    {24, "W2 zał"},
    {25, "U2 brak"},
    {26, "Usz4 brak"},
    {27, "Ster.lokalne"},
    {28, "Imp.odc."},
    {29, "Odstawienie"},
    {30, "Zadz.zab I>"},
    {31, "W3 wył"},
    {32, "U3 jest"},
    {33, "U3 brak"},
    {34, "W1 zał"},
    {35, "U2 jest"},
    {36, "U1 brak"},
    {37, "W1 wył"},
    {38, "Wyk.AZZ"},
    {39, " "},
    {40, "W4 zał"},
    {41, "Usz4 jest"},
    {42, "Usz5 brak"},
    {43, "W4 wył"},
    {44, "W3 zał"},
    {45, "Usz5 jest"},
    {46, "Usz1 jest"},
    {47, "Usz1 brak"},
    {48, "Usz2 jest"},
    {49, "Usz2 brak"},
    {50, "Usz3 jest"},
    {51, "Usz3 brak"},
    {52, "W1 imp.zał"},
    {53, "W1 imp.wył"},
    {54, "W2 imp.zał"},
    {55, "W2 imp.wył"},
    {56, "W3 imp.zał"},
    {57, "W3 imp.wył"},
    {58, "W4 imp.zał"},
    {59, "W4 imp.wył"},
    {60, "Agr.imp.zał"},
    {61, "Agr.imp.wył"},
    {62, "Wyk.SZR1"},
    {63, "Wyk.SZR2"},
    {64, "Wyk.SZR3"},
    {65, "Wyk.SZR4"},
    {66, "Wyk.SZR5"},
    {67, "Wyk.SZR6"},
    {68, "Wyk.SZR7"},
    {69, "Wyk.SZR8"},
    {70, "PPZ 1<>2"},
    {71, "PPZ 2<>3"},
    {72, "PPZ 1<>3"},
    {73, "Wyk.PPZ"},
    {74, "Wycz.SPP"},
    {75, "Wycz.AZZ"},
    {76, "Ster.ręczne"},
    {77, "Restart"},
    // Flag and output names: slots 0..19, then 21..31, then slot 20.
    {78, "Default text 1"},
    {79, "Default text 2"},
    {80, "Default text 3"},
    {81, "Default text 4"},
    {82, "Default text 5"},
    {83, "Default text 6"},
    {84, "Default text 7"},
    {85, "Default text 8"},
    {86, "Default text 9"},
    {87, "Default text 10"},
    {88, "Default text 11"},
    {89, "Default text 12"},
    {90, "Default text 13"},
    {91, "Default text 14"},
    {92, "Default text 15"},
    {93, "Default text 16"},
    {94, "Default text 17"},
    {95, "Default text 18"},
    {96, "Default text 19"},
    {97, "Default text 20"},
    {98, "Default text 22"},
    {99, "Default text 23"},
    {100, "Default text 24"},
    {101, "Default text 25"},
    {102, "Default text 26"},
    {103, "Default text 27"},
    {104, "Default text 28"},
    {105, "Default text 29"},
    {106, "Default text 30"},
    {107, "Default text 31"},
    {108, "Default text 32"},
    {109, "Default text 21"},
    // Device link messages.
    {113, "Urządzenie niepodłączone"},
    {114, "Czytanie rozpoczęto"},
    {115, "Zapisywanie nastaw do Dorvik rozpoczęto"},
    {116, "Porównanie nastaw rozpoczęto"},
    {117, "Błąd CRC"},
    {118, "Błąd typu ramki"},
    {119, "Nieznany błąd"},
    {120, "Minął limit czasu"},
    {121, "Limit czasu:%d"},
    {122, "Nastawy identyczne"},
    {123, "Nastawy różne"},
    {124, "Nastawy odczytano"},
    {125, "Czytanie rejestru zdarzeń"},
    {126, "Rejestr zdarzeń odczytany"},
    {127, "Odczyt niepełny"},
    {128, "Tavrel\n\nTavrel\n\n\nTavrel.Document\nTavrel Document"},
    {129, "Konfigurację RS485 zapisano do Dorvik"},
    {130, "Numer fabryczny zapisano do Dorvik"},
    {131, "Nastawy zapisano do Dorvik"},
    {132, "Niepoprawny zapis do Dorvik"},
    {133, "Problem z otwarciem portu COM%d"},
    {134, "Urządzenie nie odpowiada"},
    {135, "Nawiązano połączenie COM%d"},
    {136, "Próba połączenia... COM%d"},
    {137, "Program już jest podłączny do urządzenia"},
    {138, "Rozłączanie"},
    {139, "Komunikacja już jest rozłączona"},
    {140, "Rozłączono"},
    {141, "Rozkaz Reset Wysłano"},
    {142, "Zapisywanie Konfiguracji RS485"},
    {143, "Urządzenie niepodłączone"},
    {144, "Wysyłanie numeru fabrycznego"},
    {145, "Rozkaz Reset"},
    // Events list.
    {146, "Lp"},
    {147, "Czas"},
    {148, "Rbs [s] "},
    {149, "Zdarzenia"},
    {165, "Nr Fabryczny: %u, Układ: %u, Wariant: %u"},
    {184, "Nie odczytano zdarzeń"},
    // Label files.
    {1000, "Wczytuję plik etykiet "},
    {1001, "Brak pliku etykiet - przyjęto domyślny"},
    {1002, "Niewłaściwy plik etykiet - przyjęto domyślny"},
    {1003, "Zapisano plik etykiet"},
    {1004, "Problem z zapisem pliku etykiet"},
    {1005, "domyślny"},
    {1006, "?"},
    // Settings and events files.
    {1100, "Niewłaściwy plik nastaw"},
    {1101, "Niewłaściwy plik zdarzeń"},
    {1102, "Problem z czytaniem nastaw"},
    {1103, "Niewłaściwy rozmiar pliku nastaw"},
    {1104, "Problem z zapisem nastaw"},
    {1105, "Niezgodność układu rozdzielni i wariantu przełączen"},
    {1106, "Niezgodność numeru fabrycznego"},
    {1107, "Wczytano nastawy"},
    {1108, "Zapisano nastawy"},
    {1109, "Problem z czytaniem zdarzeń z dysku"},
    {1110, "Problem z czytaniem pliku zdarzeń"},
    {1111, "Niewłaściwy rozmiar pliku zdarzeń"},
    {1112, "Problem z zapisem zdarzeń na dysk"},
    {1113, "Wczytano zdarzenia z dysku"},
    {1114, "Zapisano zdarzenia na dysk"},
    // Settings printout.
    {1120, "Układ: %u"},
    {1121, "Wariant: %c"},
    {1122, "Numer fabryczny:"},
    {1123, "Wartość"},
    {1124, "Jednostka"},
    {1125, "Nastawa"},
    {1126, "Program działania"},
    {1127, "Wyjście programowalne"},
    {1128, "Konfiguracja portu RS485"},
    {1129, "Parametry"},
    {1130, "38400,N,1"},
    {1131, "19200,N,1"},
    {1132, "9600,N,1"},
    {1133, "4800,N,1"},
    {1134, "Adres"},
    {1135, "-  1"},
    {1136, "-  0"},
    {1137, "[s]"},
    {1138, "[ms]"},
    {1139, "[min]"},
    // Device link.
    {1200, "Dorvik odrzucił rozkaz, kod wyjątku %d"},
    {1201, "Utracono połączenie z portem COM%d"},
    {1202, "Numer fabryczny większy niż 65535"},
    {1203, "Rozkaz nie został wysłany do portu COM%d"},
    {1204, "Dorvik odrzuca odczyt stanu, połączenie zakończone"},
    {1205, "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"},
    {1206, "Serwer portu COM%d odmówił połączenia"},
    {1207, "Nieznany adres serwera portu COM%d"},
    {1208, "Serwer portu COM%d nie odpowiada"},
    // Login strip and printing start.
    {1300, "Hasło nieprawidłowe"},
    {1301, "Hasło zaakceptowane"},
    {1302, "Drukowanie nastaw"},
    {1303, "Drukowanie zdarzeń"},
    // Events list export.
    {1451, "Pliki CSV (*.csv)"},
    {1452, "Problem z zapisem pliku CSV"},
    {1453, "Zapisano zdarzenia do pliku CSV"},
    // Printing.
    {1500, "Nie znaleziono drukarki"},
    {1501, "Błąd Drukarki"},
    {1502, "Strona: %d/%d "},
    {1503, "Nie można rozpocząć wydruku"},
    {1504, "Wydruk przerwany - błąd drukarki"},
    {1505, "Problem z zapisem pliku PDF %s"},
    {1506, "Zapisano wydruk do pliku PDF "},
    {1507, "Podgląd wydruku"},
    {1509, "Pliki PDF (*.pdf)"},
    {1510, "Zapisz wydruk jako PDF"},
    // Traffic monitor, settings differences, port list.
    {1600, "Ruch na łączu"},
    {1601, "Zapisz do pliku..."},
    {1602, "Czyść"},
    {1603, "Sprawdzenie łącza"},
    {1604, "Odczyt stanu"},
    {1605, "Odczyt nastaw"},
    {1606, "Odczyt zdarzeń, blok %d z 16"},
    {1607, "Otwarcie łącza"},
    {1608, "Zamknięcie łącza"},
    {1609, "Zapis numeru fabrycznego %u"},
    {1610, "Zapis nastaw"},
    {1611, "Zapis konfiguracji RS485"},
    {1612, "Odczyt %u rejestrów od %u"},
    {1613, "Zapis %u rejestrów od %u"},
    {1614, "Ramka nieznanego rodzaju"},
    {1615, "Sprawdzenie łącza: kombinacja %u"},
    {1616, "Stan: wersja %s, nr fabr. %u"},
    {1617, "Nastawy: kombinacja %u"},
    {1618, "Zdarzenia, blok %d z 16"},
    {1619, "Dane odczytu, %u bajtów"},
    {1620, "Potwierdzenie: %s"},
    {1621, "Wyjątek %d: %s"},
    {1622, "Brak odpowiedzi: %s"},
    {1623, "Zapis do portu nieudany: %s"},
    {1624, "Statystyka łącza od połączenia"},
    {1625, "Zapytania"},
    {1626, "Odpowiedzi"},
    {1627, "Błędy CRC"},
    {1628, "Błędy typu ramki"},
    {1629, "Przekroczenia czasu"},
    {1630, "Powtórzenia"},
    {1631, "Czas odpowiedzi [ms]"},
    {1632, "ostatni %s, średni %s, maks. %s"},
    {1633, "Kierunek"},
    {1634, "Ramka"},
    {1635, "Opis"},
    {1636, "W programie"},
    {1637, "W Dorvik"},
    {1638, "Zapis nastaw zmieni w Dorvik:"},
    {1639, "Zapisz"},
    {1640, "Anuluj"},
    {1641, "Zapis nastaw do Dorvik anulowano"},
    {1642, "Bajt zarezerwowany %u"},
    {1643, "Kombinacja"},
    {1644, "Odśwież listę portów"},
    {1645, "Pliki tekstowe (*.txt)"},
    {1646, "Problem z zapisem pliku"},
    {1647, "bit %u"},
    // Backups, the check after a write, restoring.
    {1800, "Sprawdzanie nastaw w Dorvik rozpoczęto"},
    {1801, "Kopię nastaw zapisano: %s"},
    {1802, "Nie można zapisać kopii nastaw %s - zapis nastaw do Dorvik przerwany"},
    {1803, "Nastawy w Dorvik sprawdzone - zgodne z zapisanymi"},
    {1804, "Nastawy w Dorvik różnią się od zapisanych"},
    {1805, "Nastawy w Dorvik różnią się od zapisanych. Przywrócić kopię sprzed zapisu?"},
    {1806, "Przywróć kopię"},
    {1807, "Przywróć kopię nastaw"},
    {1808, "Data"},
    {1809, "Godzina"},
    {1810, "Różnice z Dorvik"},
    {1811, "brak"},
    {1812, "Brak kopii nastaw tego Dorvik"},
    {1813, "Kopia nastaw innego Dorvik (inny numer fabryczny)"},
    {1814, "Zamknij"},
    {1815, "Przywracanie kopii nastaw %s"},
    {1816, "Przywróć kopię..."},
    // Service report.
    {1820, "Raport serwisowy"},
    {1821, "Stan sterownika"},
    {1822, "Nastawy"},
    {1823, "Zdarzenia"},
    {1824, "Zmiany nastaw podczas wizyty"},
    {1825, "Bez zmian"},
    {1826, "Raport serwisowy zapisano: %s"},
    {1827, "Problem z zapisem raportu serwisowego %s"},
    {1828, "Raport serwisowy..."},
    {1830, "Wersja"},
    {1831, "Rbg"},
    {1832, "Nr fabr."},
    {1833, "Plik nazw"},
    {1834, "Data raportu: %s"},
    {1835, "Przebieg sygnałów"},
};

constexpr bool isSorted()
{
    for (std::size_t i = 1; i < std::size(texts); ++i) {
        if (texts[i - 1].id >= texts[i].id)
            return false;
    }
    return true;
}
static_assert(isSorted(), "string table ids must be ascending and unique");

const Text* find(int id)
{
    const auto it = std::lower_bound(std::begin(texts), std::end(texts), id,
                                     [](const Text& t, int key) { return t.id < key; });
    return it != std::end(texts) && it->id == id ? it : nullptr;
}

} // namespace

QString stringText(int id)
{
    const Text* t = find(id);
    return t ? QString::fromUtf8(t->utf8) : QString();
}

bool hasStringText(int id)
{
    return find(id) != nullptr;
}

QString fillText(int id, const QStringList& values)
{
    const QString format = stringText(id);
    QString text;
    text.reserve(format.size() + 16);
    auto value = values.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 == format.size()) {
            text += c;
            continue;
        }
        const QChar conversion = format.at(++i);
        if (conversion == u'%') {
            text += u'%';
        } else if (QStringView(u"dusc").contains(conversion) && value != values.end()) {
            text += *value++;
        } else {
            text += c;
            text += conversion;
        }
    }
    return text;
}
