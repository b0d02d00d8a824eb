#include "app/StringTable.h"
#include "app/AppState.h"

#include <array>

// The texts below are UTF-8 in this source and converted once when the table is built. Every
// one of them stays inside Latin-1, because reports and other files carry them as 8-bit text.
// Rows 82..89, 115, 116, 122..132, 143..155 and 174..177 go into report files: other programs
// and people read those files, so their wording must not drift.

namespace StringTable {
namespace {

struct Row {
    int row;
    const char *text[kLanguages];   // English, Spanish, German, Catalan
};

// Product name used by the one-instance message (row 184).
constexpr const char *kProductName = "Kelvatrone";

// Rows 13, 14, 15, 16 and 161 are deliberately absent: they stay empty in every language.
// Row 184 is composed in buildTable().
const Row kRowTexts[] = {
    {0, {"Config", "Configuración", "Konfiguration", "Configuració"}},
    {1, {"Datalogger", "Registro", "Datalogger", "Registre"}},
    {2, {"Upgrade", "Actualizar", "Aktualisieren", "Actualitzar"}},
    {3, {"About", "Acerca de", "Über", "Quant a"}},
    {4, {"Language", "Idioma", "Sprache", "Idioma"}},
    {5, {"Model", "Modelo", "Modell", "Model"}},
    {6, {"General Settings", "Configuración General", "Allgemeine Einstellungen", "Configuració General"}},
    {7, {"Exit", "Salir", "Beenden", "Sortir"}},
    {8, {"Add Channel Plan", "Añadir Plan de Canales", "Kanaltabelle hinzufügen", "Afegir Pla de Canals"}},
    {9, {"Channel Plan", "Plan de Canales", "Kanaltabelle", "Pla de Canals"}},
    {10, {"Open Logger File", "Abrir Fichero de Registro", "Datalogger-Datei öffnen", "Obrir Fitxer de Registre"}},
    {11, {"Receive Logger", "Recibir Registro", "Datalogger empfangen", "Rebre Registre"}},
    {12, {"Add UpGrade File", "Añadir Fichero de Actualización", "Aktualisierungsdatei hinzufügen", "Afegir Fitxer d'Actualització"}},
    {17, {"Datalogger File", "Fichero de Registro", "Datalogger-Datei", "Fitxer de Registre"}},
    {18, {"Ok", "Aceptar", "OK", "Acceptar"}},
    {19, {"Cancel", "Cancelar", "Abbrechen", "Cancel·lar"}},
    {20, {"Channel Plan Files", "Ficheros de Planes de Canales", "Kanaltabellen-Dateien", "Fitxers de Plans de Canals"}},
    {21, {"Directory", "Directorio", "Verzeichnis", "Directori"}},
    {22, {"Change", "Cambiar", "Ändern", "Canviar"}},
    {23, {"Firmware Files", "Ficheros de Firmware", "Firmware-Dateien", "Fitxers de Firmware"}},
    {24, {"Temporary Files", "Ficheros Temporales", "Temporäre Dateien", "Fitxers Temporals"}},
    {25, {"Communication Port", "Puerto de Comunicaciones", "Kommunikationsschnittstelle", "Port de Comunicacions"}},
    {26, {"Selection Folder", "Selección de Carpeta", "Ordnerauswahl", "Selecció de Carpeta"}},
    {27, {"Add Channel File", "Añadir Fichero de Canales", "Kanaldatei hinzufügen", "Afegir Fitxer de Canals"}},
    {28, {"Data Files", "Ficheros de Datos", "Datendateien", "Fitxers de Dades"}},
    {29, {"Channel Plan Group", "Grupo de Planes de Canales", "Kanaltabellen-Gruppe", "Grup de Plans de Canals"}},
    {30, {"Open", "Abrir", "Öffnen", "Obrir"}},
    {31, {"Save", "Guardar", "Speichern", "Desar"}},
    {32, {"New", "Nuevo", "Neu", "Nou"}},
    {33, {"Edit", "Editar", "Bearbeiten", "Editar"}},
    {34, {"Delete", "Borrar", "Löschen", "Esborrar"}},
    {35, {"Rename", "Renombrar", "Umbenennen", "Reanomenar"}},
    {36, {"Transmit", "Transmitir", "Senden", "Transmetre"}},
    {37, {"Receive", "Recibir", "Empfangen", "Rebre"}},
    {38, {"Channel Plan Library", "Biblioteca de Planes de Canales", "Kanaltabellen-Bibliothek", "Biblioteca de Plans de Canals"}},
    {39, {"Ready", "Preparado", "Bereit", "Preparat"}},
    {40, {"Checking Device Version", "Comprobando Versión del Equipo", "Geräteversion wird geprüft", "Comprovant Versió de l'Equip"}},
    {41, {"Communication Error", "Error de Comunicación", "Kommunikationsfehler", "Error de Comunicació"}},
    {42, {"Saving Channel Plan File", "Guardando Fichero de Plan de Canales", "Kanaltabellen-Datei wird gespeichert", "Desant Fitxer de Pla de Canals"}},
    {43, {"Begin Data Transmit", "Inicio de Transmisión de Datos", "Beginn der Datenübertragung", "Inici de Transmissió de Dades"}},
    {44, {"End Data Transmit", "Fin de Transmisión de Datos", "Ende der Datenübertragung", "Fi de Transmissió de Dades"}},
    {45, {"Receiving Channel Plan", "Recibiendo Plan de Canales", "Kanaltabelle wird empfangen", "Rebent Pla de Canals"}},
    // Callers append a blank and a path: keep the trailing " : ".
    {46, {"Receiving in File : ", "Recibiendo en Fichero : ", "Empfang in Datei : ", "Rebent al Fitxer : "}},
    {47, {"Open a Channel Plan Group", "Abrir un Grupo de Planes de Canales", "Kanaltabellen-Gruppe öffnen", "Obrir un Grup de Plans de Canals"}},
    {48, {"Save a Channel Plan Group", "Guardar un Grupo de Planes de Canales", "Kanaltabellen-Gruppe speichern", "Desar un Grup de Plans de Canals"}},
    {49, {"Library already exists.Save Anyway?", "La biblioteca ya existe. ¿Guardar de todos modos?", "Bibliothek existiert bereits. Trotzdem speichern?", "La biblioteca ja existeix. Voleu desar-la igualment?"}},
    {50, {"Do you want erase channel plan selected?", "¿Desea borrar el plan de canales seleccionado?", "Ausgewählte Kanaltabelle löschen?", "Voleu esborrar el pla de canals seleccionat?"}},
    {51, {"Warning", "Atención", "Warnung", "Atenció"}},
    {52, {"File Already Exists", "El Fichero ya Existe", "Datei existiert bereits", "El Fitxer ja Existeix"}},
    {53, {"Unable To Open File", "No se Puede Abrir el Fichero", "Datei kann nicht geöffnet werden", "No es Pot Obrir el Fitxer"}},
    {54, {"Device State Not Saved", "Estado del Equipo no Guardado", "Gerätezustand nicht gespeichert", "Estat de l'Equip no Desat"}},
    {55, {"No Channel Plan", "Sin Plan de Canales", "Keine Kanaltabelle", "Sense Pla de Canals"}},
    {56, {"No Channel", "Sin Canal", "Kein Kanal", "Sense Canal"}},
    {57, {"Unable to Insert New Channel", "No se Puede Insertar un Nuevo Canal", "Neuer Kanal kann nicht eingefügt werden", "No es Pot Inserir un Nou Canal"}},
    {58, {"Incorrect Format File", "Formato de Fichero Incorrecto", "Falsches Dateiformat", "Format de Fitxer Incorrecte"}},
    {59, {"Limit 10 Channel Plans", "Límite 10 Planes de Canales", "Maximal 10 Kanaltabellen", "Límit 10 Plans de Canals"}},
    {60, {"No Upgrade Files", "No hay Ficheros de Actualización", "Keine Aktualisierungsdateien", "No hi ha Fitxers d'Actualització"}},
    {61, {"No ChannelPlan Library", "Sin Biblioteca de Planes de Canales", "Keine Kanaltabellen-Bibliothek", "Sense Biblioteca de Plans de Canals"}},
    {62, {"No Models Found", "No se Encontraron Modelos", "Keine Modelle gefunden", "No s'han Trobat Models"}},
    {63, {"Device Unknown", "Equipo Desconocido", "Unbekanntes Gerät", "Equip Desconegut"}},
    {64, {"Version must be greater or equal 1.27", "La versión debe ser mayor o igual a 1.27", "Version muss größer oder gleich 1.27 sein", "La versió ha de ser superior o igual a 1.27"}},
    {65, {"User Break", "Interrumpido por el Usuario", "Abbruch durch Benutzer", "Interromput per l'Usuari"}},
    {66, {"Internal Error", "Error Interno", "Interner Fehler", "Error Intern"}},
    {67, {"Message", "Mensaje", "Meldung", "Missatge"}},
    {68, {"Incorrect Channel Name", "Nombre de Canal Incorrecto", "Falscher Kanalname", "Nom de Canal Incorrecte"}},
    {69, {"Incorrect BandWidth", "Ancho de Banda Incorrecto", "Falsche Bandbreite", "Amplada de Banda Incorrecta"}},
    {70, {"Incorrect Frequency", "Frecuencia Incorrecta", "Falsche Frequenz", "Freqüència Incorrecta"}},
    {71, {"Incorrect Symbol Rate", "Velocidad de Símbolo Incorrecta", "Falsche Symbolrate", "Velocitat de Símbol Incorrecta"}},
    {72, {"Incorrect Annex", "Anexo Incorrecto", "Falscher Anhang", "Annex Incorrecte"}},
    {73, {"Incorrect Modulation", "Modulación Incorrecta", "Falsche Modulation", "Modulació Incorrecta"}},
    {74, {"Incorrect Attenuator", "Atenuador Incorrecto", "Falsches Dämpfungsglied", "Atenuador Incorrecte"}},
    {75, {"Not Free Port", "Puerto no Disponible", "Schnittstelle nicht frei", "Port no Disponible"}},
    {76, {"End Update Process", "Fin del Proceso de Actualización", "Aktualisierung beendet", "Fi del Procés d'Actualització"}},
    {77, {"CHANNEL PLAN NAME", "NOMBRE DEL PLAN DE CANALES", "NAME DER KANALTABELLE", "NOM DEL PLA DE CANALS"}},
    {78, {"Insert", "Insertar", "Einfügen", "Inserir"}},
    {79, {"Name", "Nombre", "Name", "Nom"}},
    {80, {"Anlg. F", "F. Anlg.", "Anlg. F", "F. Anlg."}},
    {81, {"Dig. F", "F. Dig.", "Dig. F", "F. Dig."}},
    {82, {"Offset", "Offset", "Offset", "Offset"}},
    {83, {"BW", "BW", "BB", "BW"}},
    {84, {"Status", "Estado", "Status", "Estat"}},
    {85, {"Mode", "Modo", "Modus", "Mode"}},
    {86, {"System", "Sistema", "System", "Sistema"}},
    {87, {"S.R.", "V.S.", "S.R.", "V.S."}},
    {88, {"Annex", "Anexo", "Anhang", "Annex"}},
    {89, {"Mod.", "Mod.", "Mod.", "Mod."}},
    {90, {"File", "Fichero", "Datei", "Fitxer"}},
    {91, {"Save As...", "Guardar Como...", "Speichern unter...", "Desar Com..."}},
    // The channel status values as the meter and the plan files name them; not translated.
    {92, {"ON", "ON", "ON", "ON"}},
    {93, {"OFF", "OFF", "OFF", "OFF"}},
    {94, {"Analog", "Analógico", "Analog", "Analògic"}},
    {95, {"Digital", "Digital", "Digital", "Digital"}},
    {96, {"Channel", "Canal", "Kanal", "Canal"}},
    {97, {"Analog Freq.", "Frec. Analógica", "Analogfreq.", "Freq. Analògica"}},
    {98, {"Digital Freq.", "Frec. Digital", "Digitalfreq.", "Freq. Digital"}},
    {99, {"Bandwidth", "Ancho de Banda", "Bandbreite", "Amplada de Banda"}},
    {100, {"Symbol Rate", "Velocidad de Símbolo", "Symbolrate", "Velocitat de Símbol"}},
    {101, {"Modulation", "Modulación", "Modulation", "Modulació"}},
    {102, {"Channel Editor", "Editor de Canales", "Kanaleditor", "Editor de Canals"}},
    {103, {"Would you like save channel plan?", "¿Desea guardar el plan de canales?", "Kanaltabelle speichern?", "Voleu desar el pla de canals?"}},
    {104, {"Datalogger Index", "Índice de Registros", "Datalogger-Index", "Índex de Registres"}},
    {105, {"Click Receive Index Button", "Pulse el Botón Recibir Índice", "Klicken Sie auf Index empfangen", "Premeu el Botó Rebre Índex"}},
    {106, {"Datalogger Type", "Tipo de Registro", "Datalogger-Typ", "Tipus de Registre"}},
    {107, {"Receive Index", "Recibir Índice", "Index empfangen", "Rebre Índex"}},
    {108, {"Receive All", "Recibir Todo", "Alle empfangen", "Rebre Tot"}},
    {109, {"Print Loggers", "Imprimir Registros", "Datalogger drucken", "Imprimir Registres"}},
    {110, {"Print Setup", "Configurar Impresora", "Druckereinrichtung", "Configurar Impressora"}},
    {111, {"Font Size", "Tamaño de Letra", "Schriftgröße", "Mida de Lletra"}},
    {112, {"Single File", "Fichero Único", "Einzeldatei", "Fitxer Únic"}},
    {113, {"Modem Logger", "Registro Módem", "Modem-Datalogger", "Registre Mòdem"}},
    {114, {"TV Logger", "Registro TV", "TV-Datalogger", "Registre TV"}},
    {115, {"Time", "Hora", "Zeit", "Hora"}},
    {116, {"Date", "Fecha", "Datum", "Data"}},
    {117, {"Print", "Imprimir", "Drucken", "Imprimir"}},
    {118, {"Receiving Datalogger Index", "Recibiendo Índice de Registros", "Datalogger-Index wird empfangen", "Rebent Índex de Registres"}},
    {119, {"Yes", "Sí", "Ja", "Sí"}},
    {120, {"No", "No", "Nein", "No"}},
    {121, {"Receiving Logger", "Recibiendo Registro", "Datalogger wird empfangen", "Rebent Registre"}},
    {122, {"Downstream", "Downstream", "Downstream", "Downstream"}},
    {123, {"Power", "Potencia", "Leistung", "Potència"}},
    {124, {"MER", "MER", "MER", "MER"}},
    {125, {"Frequency", "Frecuencia", "Frequenz", "Freqüència"}},
    {126, {"Channel/Channel Plan", "Canal/Plan de Canales", "Kanal/Kanaltabelle", "Canal/Pla de Canals"}},
    {127, {"PreBER", "PreBER", "PreBER", "PreBER"}},
    {128, {"Description", "Descripción", "Beschreibung", "Descripció"}},
    {129, {"Time Avg", "Tiempo Medio", "Zeit Mittel", "Temps Mitjà"}},
    {130, {"Comments", "Comentarios", "Kommentar", "Comentaris"}},
    {131, {"Attenuation", "Atenuación", "Dämpfung", "Atenuació"}},
    {132, {"Upstream", "Upstream", "Upstream", "Upstream"}},
    {133, {"Headend", "Cabecera", "Kopfstation", "Capçalera"}},
    {134, {"IP Cable Modem", "IP Cable Módem", "IP Kabelmodem", "IP Cable Mòdem"}},
    {135, {"IP ToD Server", "IP Servidor ToD", "IP ToD-Server", "IP Servidor ToD"}},
    {136, {"IP TFTP Server", "IP Servidor TFTP", "IP TFTP-Server", "IP Servidor TFTP"}},
    {137, {"Config File", "Fichero de Configuración", "Konfigurationsdatei", "Fitxer de Configuració"}},
    {138, {"Ping Address", "Dirección de Ping", "Ping-Adresse", "Adreça de Ping"}},
    {139, {"Send", "Enviar", "Senden", "Enviar"}},
    {140, {"PLR", "PLR", "PLR", "PLR"}},
    {141, {"Time Min", "Tiempo Mín", "Zeit Min", "Temps Mín"}},
    {142, {"Time Max", "Tiempo Máx", "Zeit Max", "Temps Màx"}},
    {143, {"Ping Report", "Informe de ping", "Ping Report", "Informe de ping"}},
    {144, {"Receiving All Datalogger", "Recibiendo Todos los Registros", "Alle Datalogger werden empfangen", "Rebent Tots els Registres"}},
    {145, {"Checking Datalogger", "Comprobando Registro", "Datalogger wird geprüft", "Comprovant Registre"}},
    {146, {"Freq.", "Frec.", "Freq.", "Freq."}},
    {147, {"Pwr.", "Pot.", "Leist.", "Pot."}},
    {148, {"A. F.", "F. A.", "A. F.", "F. A."}},
    {149, {"Level", "Nivel", "Pegel", "Nivell"}},
    {150, {"V/A", "V/A", "V/A", "V/A"}},
    {151, {"C/N", "C/N", "C/N", "C/N"}},
    {152, {"Threshold", "Umbral", "Schwelle", "Llindar"}},
    {153, {"Location", "Localización", "Ort", "Localització"}},
    {154, {"Channel Number", "Número de canales", "Anzahl der Kanäle", "Nombre de canals"}},
    {155, {"Units", "Unidades", "Einheiten", "Unitats"}},
    {156, {"Firmware Upgrade Files", "Ficheros de Actualización de Firmware", "Firmware-Aktualisierungsdateien", "Fitxers d'Actualització de Firmware"}},
    {157, {"Version", "Versión", "Version", "Versió"}},
    {158, {"Warning !!!", "¡¡¡ Atención !!!", "Warnung !!!", "Atenció !!!"}},
    {159, {"Changing Channel Plan in your unit will\nerase all contents stored in Datalogger.\nUnit will restart at initial Configuration",
           "Cambiar el Plan de Canales de su equipo\nborrará todo el contenido almacenado en el Registro.\nEl equipo se reiniciará con la Configuración inicial",
           "Das Ändern der Kanaltabelle im Gerät\nlöscht alle im Datalogger gespeicherten Inhalte.\nDas Gerät startet mit der Grundkonfiguration neu",
           "Canviar el Pla de Canals del vostre equip\nesborrarà tot el contingut emmagatzemat al Registre.\nL'equip es reiniciarà amb la Configuració inicial"}},
    {160, {"Loading Main Program...", "Cargando Programa Principal...", "Hauptprogramm wird geladen...", "Carregant Programa Principal..."}},
    {162, {"Transforming Format File", "Transformando Formato de Fichero", "Dateiformat wird umgewandelt", "Transformant Format de Fitxer"}},
    {163, {"Adding Channel Plan", "Añadiendo Plan de Canales", "Kanaltabelle wird hinzugefügt", "Afegint Pla de Canals"}},
    {164, {"Sending Channel Plan Group...", "Enviando Grupo de Planes de Canales...", "Kanaltabellen-Gruppe wird gesendet...", "Enviant Grup de Plans de Canals..."}},
    {165, {"Sending Firmware", "Enviando Firmware", "Firmware wird gesendet", "Enviant Firmware"}},
    // Callers append a blank and the sector number.
    {166, {"Erasing Sector :", "Borrando Sector :", "Lösche Sektor :", "Esborrant Sector :"}},
    {167, {"Erased Sector :", "Sector Borrado :", "Sektor gelöscht :", "Sector Esborrat :"}},
    {168, {"Upgrade Firmware...", "Actualizando Firmware...", "Firmware wird aktualisiert...", "Actualitzant Firmware..."}},
    {169, {"Incorrect Channel Plan Name", "Nombre de Plan de Canales Incorrecto", "Falscher Kanaltabellenname", "Nom de Pla de Canals Incorrecte"}},
    {170, {"Incorrect Actived Option", "Opción Activado Incorrecta", "Falsche Option Aktiviert", "Opció Activat Incorrecta"}},
    {171, {"Incorrect Digital Option", "Opción Digital Incorrecta", "Falsche Option Digital", "Opció Digital Incorrecta"}},
    {172, {"Do you wish to add channel Plan?", "¿Desea añadir el plan de canales?", "Kanaltabelle hinzufügen?", "Voleu afegir el pla de canals?"}},
    {173, {"Save a Channel Plan", "Guardar un Plan de Canales", "Kanaltabelle speichern", "Desar un Pla de Canals"}},
    {174, {"Logger Number", "Número de Registro", "Logger Nummer", "Nombre de Registre"}},
    {175, {"[MEASURES]", "[MEDIDAS]", "[MESSUNGEN]", "[MESURES]"}},
    {176, {"Chann.", "Canal", "Kanal", "Canal"}},
    {177, {"Threshold Level", "Nivel umbral", "Schwellenpegel", "Nivell llindar"}},
    {178, {"Receive", "Recibir", "Empfangen", "Rebre"}},
    {179, {"Registered", "Registrado", "Registriert", "Registrat"}},
    {180, {"Unregistered", "No registrado", "Nicht registriert", "No registrat"}},
    {181, {"Cancel Print Logger", "Cancelar Impresión de Registro", "Datalogger-Druck abbrechen", "Cancel·lar Impressió de Registre"}},
    {182, {"Printing Logger", "Imprimiendo Registro", "Datalogger wird gedruckt", "Imprimint Registre"}},
    {183, {"Incorrect Offset", "Offset Incorrecto", "Falscher Offset", "Offset Incorrecte"}},
    {185, {"Actived", "Activado", "Aktiviert", "Activat"}},
    {186, {"Error", "Error", "Fehler", "Error"}},
    {187, {"Not recognized equipment", "Equipo no reconocido", "Gerät nicht erkannt", "Equip no reconegut"}},
    {188, {"Detected equipment without principal program. Select the model manually",
           "Equipo detectado sin programa principal. Seleccione el modelo manualmente",
           "Gerät ohne Hauptprogramm erkannt. Wählen Sie das Modell manuell aus",
           "Equip detectat sense programa principal. Seleccioneu el model manualment"}},
    {189, {"Searching COM, please wait...", "Buscando COM, espere por favor...", "COM wird gesucht, bitte warten...", "Cercant COM, espereu si us plau..."}},
    {190, {"MANUAL SELECTION", "SELECCIÓN MANUAL", "MANUELLE AUSWAHL", "SELECCIÓ MANUAL"}},
    {191, {"AUTOMATIC SEARCH", "BÚSQUEDA AUTOMÁTICA", "AUTOMATISCHE SUCHE", "CERCA AUTOMÀTICA"}},
    // The port number follows directly: every language ends in "COM".
    {192, {"Equipment not recognized in COM", "Equipo no reconocido en COM", "Gerät nicht erkannt an COM", "Equip no reconegut a COM"}},
    {193, {"Continue searching automatically or manually select the model",
           "Continúe la búsqueda automática o seleccione el modelo manualmente",
           "Automatische Suche fortsetzen oder Modell manuell auswählen",
           "Continueu la cerca automàtica o seleccioneu el model manualment"}},
    {194, {"Select model", "Seleccione modelo", "Modell auswählen", "Seleccioneu model"}},
    {195, {"Channels", "Canales", "Kanäle", "Canals"}},
    // Hints of the channel editor's tool buttons; Insert and Paste must read differently.
    {196, {"Insert", "Insertar", "Kanal einfügen", "Inserir"}},
    {197, {"Delete", "Borrar", "Löschen", "Esborrar"}},
    {198, {"Model identified: ", "Modelo identificado: ", "Modell erkannt: ", "Model identificat: "}},
    {199, {"Update to correct firmware", "Actualice al firmware correcto", "Auf korrekte Firmware aktualisieren", "Actualitzeu al firmware correcte"}},
    {200, {"Copy", "Copiar", "Kopieren", "Copiar"}},
    {201, {"Paste", "Pegar", "Einfügen", "Enganxar"}},
    {202, {"Undo", "Deshacer", "Rückgängig", "Desfer"}},
    {203, {"File not found", "Fichero no encontrado", "Datei nicht gefunden", "Fitxer no trobat"}},
    {204, {"Auto Identify", "Autoidentificar", "Automatisch erkennen", "Autoidentificar"}},
    // Asked before a file the user did not name in the dialog is replaced (%1: the file).
    {205, {"%1 already exists.\nDo you want to replace it?", "%1 ya existe.\n¿Desea reemplazarlo?",
           "%1 existiert bereits.\nMöchten Sie die Datei ersetzen?", "%1 ja existeix.\nVoleu substituir-lo?"}},
    // A settings value that the settings file could not give back unchanged (%1: the field).
    {206, {"%1: the value cannot be kept in the settings (at most 79 characters, on one line)",
           "%1: el valor no se puede guardar en la configuración (máximo 79 caracteres, en una línea)",
           "%1: Der Wert kann nicht gespeichert werden (höchstens 79 Zeichen, eine Zeile)",
           "%1: el valor no es pot desar a la configuració (màxim 79 caràcters, en una línia)"}},
    // A TV logger that ended short of the count its header announced.
    {207, {"%1 of %2 measurements received", "%1 de %2 medidas recibidas", "%1 von %2 Messungen empfangen",
           "%1 de %2 mesures rebudes"}},
    {208, {"Loggers not received:", "Registros no recibidos:", "Nicht empfangene Datalogger:", "Registres no rebuts:"}},
    // Where a failed firmware upgrade stopped: row 209 and one of the steps 210 to 218.
    {209, {"Stopped at:", "Detenido en:", "Abgebrochen bei:", "Aturat a:"}},
    {210, {"restart into the loader (*RS2)", "reinicio al cargador (*RS2)", "Neustart in den Lader (*RS2)",
           "reinici al carregador (*RS2)"}},
    {211, {"before the first sector erase", "antes de borrar el primer sector", "vor dem Löschen des ersten Sektors",
           "abans d'esborrar el primer sector"}},
    {212, {"erase of sector %1 (*FE%1)", "borrado del sector %1 (*FE%1)", "Löschen von Sektor %1 (*FE%1)",
           "esborrat del sector %1 (*FE%1)"}},
    {213, {"second erase of sector %1 (*FE%1)", "segundo borrado del sector %1 (*FE%1)",
           "zweites Löschen von Sektor %1 (*FE%1)", "segon esborrat del sector %1 (*FE%1)"}},
    {214, {"reading the firmware file", "lectura del fichero de firmware", "Lesen der Firmware-Datei",
           "lectura del fitxer de firmware"}},
    {215, {"before line %1 of %2", "antes de la línea %1 de %2", "vor Zeile %1 von %2", "abans de la línia %1 de %2"}},
    {216, {"line %1 of %2 (*SX)", "línea %1 de %2 (*SX)", "Zeile %1 von %2 (*SX)", "línia %1 de %2 (*SX)"}},
    {217, {"before the final restart (*RS0)", "antes del reinicio final (*RS0)", "vor dem abschließenden Neustart (*RS0)",
           "abans del reinici final (*RS0)"}},
    {218, {"final restart (*RS0)", "reinicio final (*RS0)", "abschließender Neustart (*RS0)", "reinici final (*RS0)"}},
    {235, {"The per-user workspace could not be created:", "No se pudo crear el espacio de trabajo del usuario:",
           "Der Arbeitsbereich des Benutzers konnte nicht angelegt werden:",
           "No s'ha pogut crear l'espai de treball de l'usuari:"}},
    // Serial ports: why a port did not open, the ports being asked, the port choice.
    {275, {"No such port: %1", "No existe el puerto: %1", "Anschluss nicht vorhanden: %1", "No existeix el port: %1"}},
    {276, {"Ports present: %1", "Puertos presentes: %1", "Vorhandene Anschlüsse: %1", "Ports presents: %1"}},
    {277, {"No serial port is present.", "No hay ningún puerto serie.", "Kein serieller Anschluss vorhanden.",
           "No hi ha cap port sèrie."}},
    {278, {"Permission denied on %1: the port belongs to the group %2.",
           "Permiso denegado en %1: el puerto pertenece al grupo %2.",
           "Zugriff verweigert auf %1: der Anschluss gehört der Gruppe %2.",
           "Permís denegat a %1: el port pertany al grup %2."}},
    {279, {"Add your user to that group with:", "Añada su usuario a ese grupo con:",
           "Fügen Sie Ihren Benutzer dieser Gruppe hinzu mit:", "Afegiu el vostre usuari a aquest grup amb:"}},
    {280, {"then log out and log in again for the change to take effect.",
           "luego cierre la sesión y vuelva a entrar para que el cambio tenga efecto.",
           "danach ab- und wieder anmelden, damit die Änderung wirkt.",
           "després tanqueu la sessió i torneu a entrar perquè el canvi tingui efecte."}},
    {281, {"%1 is in use by another program.", "%1 está en uso por otro programa.",
           "%1 wird von einem anderen Programm benutzt.", "%1 està en ús per un altre programa."}},
    {282, {"Process %1 (%2) holds it.", "Lo tiene el proceso %1 (%2).", "Prozess %1 (%2) belegt ihn.",
           "El té el procés %1 (%2)."}},
    {283, {"%1 is in use by another exchange of this program.", "%1 está en uso por otra comunicación de este programa.",
           "%1 wird von einem anderen Vorgang dieses Programms benutzt.",
           "%1 està en ús per una altra comunicació d'aquest programa."}},
    {284, {"%1 is not a serial port; nothing was written to it.", "%1 no es un puerto serie; no se ha escrito nada en él.",
           "%1 ist kein serieller Anschluss; es wurde nichts darauf geschrieben.",
           "%1 no és un port sèrie; no s'hi ha escrit res."}},
    {285, {"%1 could not be opened: %2", "No se pudo abrir %1: %2", "%1 konnte nicht geöffnet werden: %2",
           "No s'ha pogut obrir %1: %2"}},
    {286, {"Asking: %1", "Preguntando: %1", "Abfrage: %1", "Preguntant: %1"}},
    {287, {"Remember this adapter in any socket (by-id)", "Recordar este adaptador en cualquier conector (by-id)",
           "Diesen Adapter an jeder Buchse erkennen (by-id)", "Recordar aquest adaptador a qualsevol connector (by-id)"}},
    {288, {"A port is COMn, a port number or a device path.",
           "Un puerto es COMn, un número de puerto o la ruta de un dispositivo.",
           "Ein Anschluss ist COMn, eine Anschlussnummer oder ein Gerätepfad.",
           "Un port és COMn, un número de port o el camí d'un dispositiu."}},
    // Why a firmware file was refused, and a model without a datalogger (command line).
    {220, {"Line %1: longer than %2 characters", "Línea %1: más de %2 caracteres", "Zeile %1: länger als %2 Zeichen",
           "Línia %1: més de %2 caràcters"}},
    {221, {"Line %1: control character", "Línea %1: carácter de control", "Zeile %1: Steuerzeichen",
           "Línia %1: caràcter de control"}},
    {222, {"The file does not begin with \"S\"", "El fichero no empieza por \"S\"",
           "Die Datei beginnt nicht mit \"S\"", "El fitxer no comença per \"S\""}},
    {223, {"%1 has no datalogger", "%1 no tiene registro", "%1 hat keinen Datalogger", "%1 no té registre"}},
    // Level chart of a TV logger, CSV export and PDF files of the logger windows.
    {245, {"%1 of %2 channels under the threshold (%3)", "%1 de %2 canales bajo el umbral (%3)", "%1 von %2 Kanälen unter der Schwelle (%3)", "%1 de %2 canals sota el llindar (%3)"}},
    {246, {"%1 not measured", "%1 sin medir", "%1 nicht gemessen", "%1 sense mesurar"}},
    {247, {"No channel measured", "Ningún canal medido", "Kein Kanal gemessen", "Cap canal mesurat"}},
    {248, {"%1 channels measured, no threshold level", "%1 canales medidos, sin nivel umbral", "%1 Kanäle gemessen, kein Schwellenpegel", "%1 canals mesurats, sense nivell llindar"}},
    {249, {"Level Chart", "Gráfico de Niveles", "Pegeldiagramm", "Gràfic de Nivells"}},
    {250, {"Export CSV...", "Exportar CSV...", "CSV exportieren...", "Exportar CSV..."}},
    {251, {"Save Chart...", "Guardar Gráfico...", "Diagramm speichern...", "Desar Gràfic..."}},
    {252, {"Save as PDF...", "Guardar PDF...", "PDF speichern...", "Desar com a PDF..."}},
    {253, {"CSV Files", "Ficheros CSV", "CSV-Dateien", "Fitxers CSV"}},
    {254, {"PNG Images", "Imágenes PNG", "PNG-Bilder", "Imatges PNG"}},
    {255, {"PDF Documents", "Documentos PDF", "PDF-Dokumente", "Documents PDF"}},
    {256, {"Level (%1)", "Nivel (%1)", "Pegel (%1)", "Nivell (%1)"}},
    {257, {"Quality: MER, C/N (dB)", "Calidad: MER, C/N (dB)", "Qualität: MER, C/N (dB)", "Qualitat: MER, C/N (dB)"}},
    {258, {"Threshold reached", "Umbral alcanzado", "Schwelle erreicht", "Llindar assolit"}},
    {259, {"Below threshold", "Bajo el umbral", "Unter der Schwelle", "Sota el llindar"}},
    {260, {"Section", "Sección", "Abschnitt", "Secció"}},
    {261, {"Value", "Valor", "Wert", "Valor"}},
    {262, {"Unit", "Unidad", "Einheit", "Unitat"}},
    // A file that could not be written (%1: its name, %2: its folder, %3: the system's reason).
    {289, {"Could not write %1 in the folder %2: %3", "No se pudo escribir %1 en la carpeta %2: %3",
           "%1 konnte im Ordner %2 nicht geschrieben werden: %3", "No s'ha pogut escriure %1 a la carpeta %2: %3"}},
    // The lock on the working files: who holds it (%1: program, %2: process id), and its job.
    {291, {"%1, pid %2", "%1, pid %2", "%1, PID %2", "%1, pid %2"}},
    {292, {"The working files are in use by %1", "Los ficheros de trabajo están en uso por %1",
           "Die Arbeitsdateien werden benutzt von %1", "Els fitxers de treball estan en ús per %1"}},
    {293, {"sending a group", "enviando un grupo", "sendet eine Gruppe", "enviant un grup"}},
    {294, {"receiving channel plans", "recibiendo planes de canales", "empfängt Kanaltabellen", "rebent plans de canals"}},
    {295, {"receiving the logger index", "recibiendo el índice de registros", "empfängt den Datalogger-Index",
           "rebent l'índex de registres"}},
    {296, {"receiving a logger", "recibiendo un registro", "empfängt einen Datalogger", "rebent un registre"}},
    {297, {"receiving all loggers", "recibiendo todos los registros", "empfängt alle Datalogger", "rebent tots els registres"}},
    {298, {"printing loggers", "imprimiendo registros", "druckt Datalogger", "imprimint registres"}},
    {299, {"upgrading the firmware", "actualizando el firmware", "aktualisiert die Firmware", "actualitzant el firmware"}},
    {300, {"talking to the meter", "comunicando con el equipo", "spricht mit dem Messgerät", "comunicant amb l'equip"}},
    {301, {"Waiting for %1", "Esperando a %1", "Warten auf %1", "Esperant %1"}},
    {303, {"The file is larger than %1 MB", "El fichero ocupa más de %1 MB", "Die Datei ist größer als %1 MB",
           "El fitxer ocupa més de %1 MB"}},
    {304, {"Line %1: the record is cut short", "Línea %1: el registro está cortado", "Zeile %1: der Datensatz ist abgeschnitten",
           "Línia %1: el registre està tallat"}},
    {305, {"You are a member of %1 already: log out and log in again for it to take effect.",
           "Ya es miembro de %1: cierre la sesión y vuelva a entrar para que tenga efecto.",
           "Sie sind bereits Mitglied von %1: ab- und wieder anmelden, damit es wirkt.",
           "Ja sou membre de %1: tanqueu la sessió i torneu a entrar perquè tingui efecte."}},
    {306, {"Permission denied on %1: only its owner (%2) may open it.",
           "Permiso denegado en %1: sólo su propietario (%2) puede abrirlo.",
           "Zugriff verweigert auf %1: nur der Eigentümer (%2) darf ihn öffnen.",
           "Permís denegat a %1: només el seu propietari (%2) el pot obrir."}},
    {307, {"The changes have not been saved. Save them?", "Los cambios no se han guardado. ¿Desea guardarlos?",
           "Die Änderungen wurden nicht gespeichert. Speichern?", "Els canvis no s'han desat. Voleu desar-los?"}},
    {308, {"These characters cannot be kept in the file: %1", "Estos caracteres no se pueden guardar en el fichero: %1",
           "Diese Zeichen können in der Datei nicht gespeichert werden: %1",
           "Aquests caràcters no es poden desar al fitxer: %1"}},
    {309, {"%1 has no file type for these loggers", "%1 no tiene tipo de fichero para estos registros",
           "%1 hat keinen Dateityp für diese Datalogger", "%1 no té tipus de fitxer per a aquests registres"}},
    // Lines of the command line.
    {310, {"%1: the meter runs only its loader; name its model with --model (%2)",
           "%1: el equipo sólo ejecuta su cargador; indique su modelo con --model (%2)",
           "%1: Das Messgerät führt nur seinen Lader aus; Modell mit --model angeben (%2)",
           "%1: l'equip només executa el seu carregador; indiqueu-ne el model amb --model (%2)"}},
    {311, {"%1 channel plan(s) sent", "%1 plan(es) de canales enviado(s)", "%1 Kanaltabelle(n) gesendet",
           "%1 pla(ns) de canals enviat(s)"}},
    {312, {"The meter holds no channel plan", "El equipo no tiene ningún plan de canales",
           "Das Messgerät enthält keine Kanaltabelle", "L'equip no té cap pla de canals"}},
    {313, {"The meter holds no logger", "El equipo no tiene ningún registro", "Das Messgerät enthält keinen Datalogger",
           "L'equip no té cap registre"}},
    {314, {"Firmware sent: %1", "Firmware enviado: %1", "Firmware gesendet: %1", "Firmware enviat: %1"}},
    {315, {"%1 page(s)", "%1 página(s)", "%1 Seite(n)", "%1 pàgina(es)"}},
    {316, {"%1 page(s) in %2", "%1 página(s) en %2", "%1 Seite(n) in %2", "%1 pàgina(es) a %2"}},
    {317, {"Model %1 is not in the catalogue (models: %2)", "El modelo %1 no está en el catálogo (modelos: %2)",
           "Modell %1 ist nicht im Katalog (Modelle: %2)", "El model %1 no és al catàleg (models: %2)"}},
    {318, {"%1 of 1 channel under the threshold (%2)", "%1 de 1 canal bajo el umbral (%2)",
           "%1 von 1 Kanal unter der Schwelle (%2)", "%1 d'1 canal sota el llindar (%2)"}},
    {319, {"1 channel measured, no threshold level", "1 canal medido, sin nivel umbral",
           "1 Kanal gemessen, kein Schwellenpegel", "1 canal mesurat, sense nivell llindar"}},
    {320, {"progress", "progreso", "Fortschritt", "progrés"}},
    {321, {"loggers", "registros", "Datalogger", "registres"}},
    {322, {"Folder not found: %1", "Carpeta no encontrada: %1", "Ordner nicht gefunden: %1", "No s'ha trobat la carpeta: %1"}},
    {302, {"JPEG Images", "Imágenes JPEG", "JPEG-Bilder", "Imatges JPEG"}},
    {290, {"Unable To Write File", "No se Puede Escribir el Fichero", "Datei kann nicht geschrieben werden",
           "No es Pot Escriure el Fitxer"}},
};

using Table = std::array<QString, kRows * kLanguages>;

Table buildTable()
{
    Table table;
    for (const Row &r : kRowTexts) {
        for (int l = 0; l < kLanguages; ++l)
            table[std::size_t(4 * r.row + l)] = QString::fromUtf8(r.text[l]);
    }
    const QString product = QString::fromUtf8(kProductName);
    table[4 * 184 + 0] = QStringLiteral("One instance for ") + product;
    table[4 * 184 + 1] = QString::fromUtf8("Sólo se permite una ejecución de ") + product;
    table[4 * 184 + 2] = product + QString::fromUtf8(" kann nur einmal ausgeführt werden");
    table[4 * 184 + 3] = QString::fromUtf8("Només es permet una execució de ") + product;
    return table;
}

// Built on first use so that a text fetched before fillStringTable() (a test, an early error
// message) is still right; the initialisation of a local static is thread-safe.
const Table &table()
{
    static const Table t = buildTable();
    return t;
}

} // namespace

void fillStringTable()
{
    (void)table();
}

QString text(int row, int language)
{
    if (row < 0 || row >= kRows || language < 0 || language >= kLanguages)
        return QString();
    return table()[std::size_t(4 * row + language)];
}

QString text(int row)
{
    return text(row, app().CurrentLanguage);
}

void setLanguage(int language)
{
    // An unknown language keeps the current one rather than leaving every text empty.
    if (language < 0 || language >= kLanguages)
        return;
    app().CurrentLanguage = language;
}

} // namespace StringTable
