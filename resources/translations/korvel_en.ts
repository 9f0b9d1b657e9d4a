<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="de_DE">
<context>
    <name>QObject</name>
    <message>
        <source>Schriftart</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>Schriftfarbe</source>
        <translation>Font colour</translation>
    </message>
    <message>
        <source>Text drehen</source>
        <translation>Rotate text</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Alle Texte löschen</source>
        <translation>Delete all texts</translation>
    </message>
    <message>
        <source>Beschriften</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Punkt erzeugen</source>
        <translation>Create point</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Deutsch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Korvel</source>
        <translation>Korvel</translation>
    </message>
    <message>
        <source>
Map
Korvel
Korvel-Map (*.kvd)
.kvd
Korvel.Document
Korvel Document</source>
        <translation>
Map
Korvel
Korvel map (*.kvd)
.kvd
Korvel.Document
Korvel Document</translation>
    </message>
    <message>
        <source>Satellitenansicht</source>
        <translation>Satellite view</translation>
    </message>
    <message>
        <source>Kompass</source>
        <translation>Compass</translation>
    </message>
    <message>
        <source>Datei</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Import/Export</source>
        <translation>Import/Export</translation>
    </message>
    <message>
        <source>Vermessung</source>
        <translation>Surveying</translation>
    </message>
    <message>
        <source>%s Version %i.%i.%i.%i %s</source>
        <translation>%s version %i.%i.%i.%i %s</translation>
    </message>
    <message>
        <source>Änderungen an %1 speichern?</source>
        <translation>Save changes to %1?</translation>
    </message>
    <message>
        <source>Alle Dateien (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>EPSG:000000</source>
        <translation>EPSG:000000</translation>
    </message>
    <message>
        <source>E 000.000000°</source>
        <translation>E 000.000000°</translation>
    </message>
    <message>
        <source>N 00.000000°</source>
        <translation>N 00.000000°</translation>
    </message>
    <message>
        <source>Parameter für GPS einstellen
GPS-Einstellungen</source>
        <translation>Set up the GPS parameters
GPS settings</translation>
    </message>
    <message>
        <source>Schaltet den GPS-Empfänger ein oder aus.
GPS aktivieren</source>
        <translation>Switches the GPS receiver on or off.
Activate GPS</translation>
    </message>
    <message>
        <source>Ändert das Koordinatensystem des aktiven Dokuments oder neuer Dokumente.
Aktuelles Koordinatensystem ändern</source>
        <translation>Changes the coordinate system of the active document or of new documents.
Change the current coordinate system</translation>
    </message>
    <message>
        <source>Stellt die ursprüngliche Anordnung der Leisten wieder her.
Leisten wiederherstellen</source>
        <translation>Restores the original arrangement of the bars.
Restore bars</translation>
    </message>
    <message>
        <source>Wählen Sie einen Menüpunkt.</source>
        <translation>Choose a menu item.</translation>
    </message>
    <message>
        <source>Erstellt ein neues Dokument.
Neu</source>
        <translation>Creates a new document.
New</translation>
    </message>
    <message>
        <source>Öffnet ein vorhandenes Dokument.
Öffnen</source>
        <translation>Opens an existing document.
Open</translation>
    </message>
    <message>
        <source>Schließt das aktive Dokument.
Schließen</source>
        <translation>Closes the active document.
Close</translation>
    </message>
    <message>
        <source>Speichert das aktive Dokument.
Speichern</source>
        <translation>Saves the active document.
Save</translation>
    </message>
    <message>
        <source>Speichert das aktive Dokument unter einem neuen Namen.
Speichern unter</source>
        <translation>Saves the active document under a new name.
Save as</translation>
    </message>
    <message>
        <source>Öffnet dieses Dokument.</source>
        <translation>Opens this document.</translation>
    </message>
    <message>
        <source>Ordnet die Fenster überlappend an.
Überlappend</source>
        <translation>Arranges the windows so that they overlap.
Cascade</translation>
    </message>
    <message>
        <source>Ordnet die Fenster nebeneinander an.
Nebeneinander</source>
        <translation>Arranges the windows side by side.
Tile</translation>
    </message>
    <message>
        <source>Zeigt Programminformationen und Versionsnummer an.
Info</source>
        <translation>Shows program information and the version number.
About</translation>
    </message>
    <message>
        <source>Beendet die Anwendung; fordert zum Speichern der Dokumente auf.
Beenden</source>
        <translation>Quits the application; asks to save the documents.
Exit</translation>
    </message>
    <message>
        <source>Blendet die Statusleiste ein oder aus.
Statusleiste ein/aus</source>
        <translation>Shows or hides the status bar.
Toggle status bar</translation>
    </message>
    <message>
        <source>Blendet die Symbolleiste Datei ein oder aus.
Symbolleiste Datei</source>
        <translation>Shows or hides the File tool bar.
File tool bar</translation>
    </message>
    <message>
        <source>Blendet die Symbolleiste Zoom ein oder aus.
Symbolleiste Zoom</source>
        <translation>Shows or hides the Zoom tool bar.
Zoom tool bar</translation>
    </message>
    <message>
        <source>Blendet die Symbolleiste Import/Export ein oder aus.
Symbolleiste Import/Export</source>
        <translation>Shows or hides the Import/Export tool bar.
Import/Export tool bar</translation>
    </message>
    <message>
        <source>Blendet die Satellitenansicht ein oder aus.
Satellitenansicht</source>
        <translation>Shows or hides the satellite view.
Satellite view</translation>
    </message>
    <message>
        <source>Blendet die Symbolleiste Vermessung ein oder aus.
Symbolleiste Vermessung</source>
        <translation>Shows or hides the Surveying tool bar.
Surveying tool bar</translation>
    </message>
    <message>
        <source>Blendet den Kompass ein oder aus.
Kompass</source>
        <translation>Shows or hides the compass.
Compass</translation>
    </message>
    <message>
        <source>Fehler</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Hinweis</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Keine Fehler in Datei &quot;%1&quot;.</source>
        <translation>No errors in file &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; nicht gefunden.</source>
        <translation>File &quot;%1&quot; not found.</translation>
    </message>
    <message>
        <source>Konnte Datei &quot;%1&quot; nicht öffnen.</source>
        <translation>Could not open file &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Nicht genügend Speicher zum Laden der Datei &quot;%1&quot;.</source>
        <translation>Not enough memory to load the file &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; ist beschädigt.</source>
        <translation>The file &quot;%1&quot; is damaged.</translation>
    </message>
    <message>
        <source>Die Anzahl der Shapes in der Datei &quot;%1&quot; entspricht nicht der Anzahl der Tabelleneinträge in der zugehörigen Datenbank.</source>
        <translation>The number of shapes in the file &quot;%1&quot; does not match the number of records in its database.</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; enhält einen nicht unterstützen Shape-Typ.</source>
        <translation>The file &quot;%1&quot; contains a shape type that is not supported.</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; ist keine Shape-Datei.</source>
        <translation>The file &quot;%1&quot; is not a shapefile.</translation>
    </message>
    <message>
        <source>Diese Version der Shape-Datei &quot;%1&quot; wird nicht unterstützt.</source>
        <translation>This version of the shapefile &quot;%1&quot; is not supported.</translation>
    </message>
    <message>
        <source>Die Datenbank für die Datei &quot;%1&quot; konnte nicht geladen werden.</source>
        <translation>The database of the file &quot;%1&quot; could not be loaded.</translation>
    </message>
    <message>
        <source>Serielle Schnittstelle</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>Kein Schnittstellenname angegeben. Die Schnittstelle konnte nicht geöffnet werden!</source>
        <translation>No port name given. The port could not be opened!</translation>
    </message>
    <message>
        <source>Die Schnittstelle &quot;%1&quot; konnte nicht geöffnet werden.
Überprüfen Sie, ob die Schnittstelle vorhanden ist!</source>
        <translation>The port &quot;%1&quot; could not be opened.
Check that the port exists!</translation>
    </message>
    <message>
        <source>Die Schnittstelle &quot;%1&quot; wird durch eine andere Anwendung
benutzt und konnte deshalb nicht geöffnet werden!</source>
        <translation>The port &quot;%1&quot; is in use by another application
and could therefore not be opened!</translation>
    </message>
    <message>
        <source>Die Schnittstelle &quot;%1&quot; konnte nicht geöffnet werden, weil Ihnen die Berechtigung fehlt.
Nehmen Sie Ihr Benutzerkonto in die Gruppe &quot;dialout&quot; auf (sudo usermod -aG dialout BENUTZERNAME)
und melden Sie sich danach neu an!</source>
        <translation>The port &quot;%1&quot; could not be opened because you lack the permission.
Add your user account to the group &quot;dialout&quot; (sudo usermod -aG dialout USERNAME)
and log in again afterwards!</translation>
    </message>
    <message>
        <source>Es wurde ein GPS-Empfänger gefunden.</source>
        <translation>A GPS receiver was found.</translation>
    </message>
    <message>
        <source>Es wurde kein GPS-Empfänger gefunden.</source>
        <translation>No GPS receiver was found.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl zwischen 0 und 3600 ein.</source>
        <translation>Enter a whole number between 0 and 3600.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl zwischen 1 und 10 ein.</source>
        <translation>Enter a whole number between 1 and 10.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl ein.</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Baud:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>&amp;Suchen</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>Max. GPS-Alter:</source>
        <translation>Max. GPS age:</translation>
    </message>
    <message>
        <source>Max. DGPS-Alter:</source>
        <translation>Max. DGPS age:</translation>
    </message>
    <message>
        <source>Max. HDOP:</source>
        <translation>Max. HDOP:</translation>
    </message>
    <message>
        <source>Min. Sat-Anzahl:</source>
        <translation>Min. satellites:</translation>
    </message>
    <message>
        <source>Mess-Intervall:</source>
        <translation>Measuring interval:</translation>
    </message>
    <message>
        <source>Punktmittelung:</source>
        <translation>Point averaging:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Alle GNSS-Talker auswerten (GN, GL, GA, GB)</source>
        <translation>Use all GNSS talkers (GN, GL, GA, GB)</translation>
    </message>
    <message>
        <source>Wert ungültig!</source>
        <translation>Invalid value!</translation>
    </message>
    <message>
        <source>Punkt messen</source>
        <translation>Measure point</translation>
    </message>
    <message>
        <source>Mittelung: Punkt %u von %u</source>
        <translation>Averaging: point %u of %u</translation>
    </message>
    <message>
        <source>Linie schließen und Fläche bilden?</source>
        <translation>Close the line and make an area?</translation>
    </message>
    <message>
        <source>Streuung: %1 m, größter HDOP: %2</source>
        <translation>Spread: %1 m, largest HDOP: %2</translation>
    </message>
    <message>
        <source>Pkt-Nr: %1</source>
        <translation>Pt no: %1</translation>
    </message>
    <message>
        <source>Ungültiges Dateiformat!</source>
        <translation>Invalid file format!</translation>
    </message>
    <message>
        <source>Ungültige Dateiversion!</source>
        <translation>Invalid file version!</translation>
    </message>
    <message>
        <source>Die Datei %1 ist beschädigt oder unvollständig und konnte nicht gelesen werden.</source>
        <translation>The file %1 is damaged or incomplete and could not be read.</translation>
    </message>
    <message>
        <source>Die Datei %1 konnte nicht geöffnet werden.</source>
        <translation>The file %1 could not be opened.</translation>
    </message>
    <message>
        <source>Die Datei %1 konnte nicht gespeichert werden.</source>
        <translation>The file %1 could not be saved.</translation>
    </message>
    <message>
        <source>Vergrößert den aktuellen Ausschnitt.
Ausschnitt vergrößern</source>
        <translation>Enlarges the current section.
Zoom in</translation>
    </message>
    <message>
        <source>Verkleinert den aktuellen Ausschnitt.
Ausschnitt verkleinern</source>
        <translation>Reduces the current section.
Zoom out</translation>
    </message>
    <message>
        <source>Paßt den Ausschnitt an alle Objekte an.
Alles anzeigen</source>
        <translation>Fits the section to all objects.
Show all</translation>
    </message>
    <message>
        <source>Verschiebt den aktuellen Ausschnitt.
Ausschnitt verschieben</source>
        <translation>Moves the current section.
Pan</translation>
    </message>
    <message>
        <source>Druckt das aktive Dokument.
Drucken</source>
        <translation>Prints the active document.
Print</translation>
    </message>
    <message>
        <source>Druckt das aktive Dokument ohne Rückfrage.
Schnelldruck</source>
        <translation>Prints the active document without asking.
Quick print</translation>
    </message>
    <message>
        <source>Zeigt die ganze Seite an.
Seitenansicht</source>
        <translation>Shows the whole page.
Print preview</translation>
    </message>
    <message>
        <source>Der Druck auf &quot;%1&quot; ist fehlgeschlagen.</source>
        <translation>Printing to &quot;%1&quot; failed.</translation>
    </message>
    <message>
        <source>Longitude:</source>
        <translation>Longitude:</translation>
    </message>
    <message>
        <source>Latitude:</source>
        <translation>Latitude:</translation>
    </message>
    <message>
        <source>Rechts:</source>
        <translation>Easting:</translation>
    </message>
    <message>
        <source>Hoch:</source>
        <translation>Northing:</translation>
    </message>
    <message>
        <source>Import in ein undefiniertes Koordinatensystem nicht möglich!</source>
        <translation>Cannot import into an undefined coordinate system!</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; konnte nicht geöffnet werden.</source>
        <translation>The file &quot;%1&quot; could not be opened.</translation>
    </message>
    <message>
        <source>Das Format der Datei &quot;%1&quot; ist ungültig.</source>
        <translation>The format of the file &quot;%1&quot; is invalid.</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; ist bereits vorhanden.
Wollen Sie diese Datei ersetzen?</source>
        <translation>The file &quot;%1&quot; already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>Datei vorhanden</source>
        <translation>File exists</translation>
    </message>
    <message>
        <source>Wählen Sie das Export-Verzeichnis:</source>
        <translation>Choose the export folder:</translation>
    </message>
    <message>
        <source>Liest Dateien vom ZENTO ein.
Import ZENTO</source>
        <translation>Reads files from the ZENTO handheld.
Import ZENTO</translation>
    </message>
    <message>
        <source>Liest Shape-Dateien ein.
Import Shape</source>
        <translation>Reads shapefiles.
Import Shape</translation>
    </message>
    <message>
        <source>Schreibt Shape-Dateien.
Export Shape</source>
        <translation>Writes shapefiles.
Export Shape</translation>
    </message>
    <message>
        <source>Schreibt Dateien für ZENTO.
Export ZENTO</source>
        <translation>Writes files for the ZENTO handheld.
Export ZENTO</translation>
    </message>
    <message>
        <source>Wählt den Drucker, das Papier und die Ausrichtung für den Druck.
Druckereinrichtung</source>
        <translation>Chooses the printer, the paper and the orientation for printing.
Print Setup</translation>
    </message>
    <message>
        <source>Positionsdateien (*.geo)|*.geo|Markierungsdateien (*.pos)|*.pos|Alle Dateien (*.*)|*.*||</source>
        <translation>Position files (*.geo)|*.geo|Marker files (*.pos)|*.pos|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Shapedatei (*.shp)|*.shp|Alle Dateien (*.*)|*.*||</source>
        <translation>Shapefile (*.shp)|*.shp|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; konnte nicht angelegt werden.</source>
        <translation>The file &quot;%1&quot; could not be created.</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; konnte nicht geschrieben werden. Eine ältere Datei gleichen Namens ist unverändert.</source>
        <translation>The file &quot;%1&quot; could not be written. An older file of the same name is unchanged.</translation>
    </message>
    <message>
        <source>Liest GPX-Dateien von GPS-Geräten und -Programmen ein.
Import GPX</source>
        <translation>Reads GPX files from GPS devices and programs.
Import GPX</translation>
    </message>
    <message>
        <source>Schreibt Punkte, Linien und Flächen in eine GPX-Datei.
Export GPX</source>
        <translation>Writes points, lines and areas to a GPX file.
Export GPX</translation>
    </message>
    <message>
        <source>GPS-Austauschdateien (*.gpx)|*.gpx|Alle Dateien (*.*)|*.*||</source>
        <translation>GPS exchange files (*.gpx)|*.gpx|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Die Datei &quot;%1&quot; ist keine lesbare GPX-Datei.
Zeile %2, Spalte %3: %4
Aus dieser Datei wurde nichts übernommen.</source>
        <translation>The file &quot;%1&quot; is not a readable GPX file.
Line %2, column %3: %4
Nothing was taken from this file.</translation>
    </message>
    <message>
        <source>Die Datei endet vorzeitig.</source>
        <translation>The file ends prematurely.</translation>
    </message>
    <message>
        <source>Die XML-Struktur ist fehlerhaft.</source>
        <translation>The XML structure is broken.</translation>
    </message>
    <message>
        <source>Dokumenttyp-Deklarationen und Entitäten werden nicht verarbeitet.</source>
        <translation>Document type declarations and entities are not processed.</translation>
    </message>
    <message>
        <source>Das Wurzelelement &quot;%1&quot; ist nicht &quot;gpx&quot;.</source>
        <translation>The root element &quot;%1&quot; is not &quot;gpx&quot;.</translation>
    </message>
    <message>
        <source>Der Wert &quot;%1&quot; ist keine gültige Zahl.</source>
        <translation>The value &quot;%1&quot; is not a valid number.</translation>
    </message>
    <message>
        <source>Die Breite %1 liegt nicht zwischen -90 und 90 Grad.</source>
        <translation>The latitude %1 is not between -90 and 90 degrees.</translation>
    </message>
    <message>
        <source>Die Länge %1 liegt nicht zwischen -180 und 180 Grad.</source>
        <translation>The longitude %1 is not between -180 and 180 degrees.</translation>
    </message>
    <message>
        <source>Dem Punkt fehlt das Attribut &quot;%1&quot;.</source>
        <translation>The point lacks the attribute &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Das Element &quot;%1&quot; steht an einer unzulässigen Stelle.</source>
        <translation>The element &quot;%1&quot; is in a place where it is not allowed.</translation>
    </message>
    <message>
        <source>Ein Textelement enthält ein weiteres Element.</source>
        <translation>A text element contains another element.</translation>
    </message>
    <message>
        <source>Die Datei enthält hier Bytes, die kein gültiges UTF-8 sind (eine andere Kodierung ohne Angabe in der XML-Deklaration?).</source>
        <translation>The file holds bytes here that are not valid UTF-8 (another encoding not named in the XML declaration?).</translation>
    </message>
    <message>
        <source>%1 Zahlenwerte passten nicht in die Breite ihres Feldes und wurden als leere Werte (mit * gefüllt) geschrieben.</source>
        <translation>%1 numbers did not fit the width of their field and were written as empty values (filled with *).</translation>
    </message>
    <message>
        <source>%1 Objekte konnten nicht umgerechnet werden und behalten ihre bisherigen Koordinaten.</source>
        <translation>%1 objects could not be converted and keep their previous coordinates.</translation>
    </message>
    <message>
        <source>Misst einen Punkt mit GPS und mittelt seine Position.
Punkt messen</source>
        <translation>Measures a point with GPS, averaging its position.
Measure point</translation>
    </message>
    <message>
        <source>Zeichnet den gegangenen Weg als Linie auf.
Linie/Fläche messen</source>
        <translation>Records the way walked as a line.
Measure line/area</translation>
    </message>
    <message>
        <source>Zeigt die GPS-Position in der Karte.
Position zeigen</source>
        <translation>Shows the GPS position on the map.
Show position</translation>
    </message>
    <message>
        <source>Hält die Aufzeichnung an oder setzt sie fort.
Pause</source>
        <translation>Pauses or resumes the recording.
Pause</translation>
    </message>
    <message>
        <source>Beendet die Messung.
Stop</source>
        <translation>Ends the measurement.
Stop</translation>
    </message>
    <message>
        <source>Bilder (*.tif; *.jpg; *.png)|*.tif; *.jpg; *.png|Alle Dateien (*.*)|*.*||</source>
        <translation>Images (*.tif; *.jpg; *.png)|*.tif; *.jpg; *.png|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Bild wird geladen …</source>
        <translation>Loading image …</translation>
    </message>
    <message>
        <source>Diese Bilddateien konnten nicht geladen werden:
%1</source>
        <translation>These image files could not be loaded:
%1</translation>
    </message>
    <message>
        <source>Hintergrundkarte laden
Hintergrundkarte laden</source>
        <translation>Loads a background map.
Load background map</translation>
    </message>
    <message>
        <source>Punkte beschriften</source>
        <translation>Label points</translation>
    </message>
    <message>
        <source>Linien beschriften</source>
        <translation>Label lines</translation>
    </message>
    <message>
        <source>Flächen beschriften</source>
        <translation>Label areas</translation>
    </message>
    <message>
        <source>Beschriftet Punkte
Punkte beschriften</source>
        <translation>Labels points
Label points</translation>
    </message>
    <message>
        <source>Ein oder mehrere Objekte zur Bearbeitung auswählen
Objekt auswählen</source>
        <translation>Select one or more objects for editing
Select object</translation>
    </message>
    <message>
        <source>Dreht den Text manuell
Text drehen</source>
        <translation>Rotates the text by hand
Rotate text</translation>
    </message>
    <message>
        <source>Erzeugt einen Punkt an der Cursorposition
Punkt erzeugen</source>
        <translation>Creates a point at the cursor position
Create point</translation>
    </message>
    <message>
        <source>Aktuelle Schriftart auswählen
Schriftart auswählen</source>
        <translation>Choose the current font
Choose font</translation>
    </message>
    <message>
        <source>Alle Texte löschen
Texte löschen</source>
        <translation>Delete all texts
Delete texts</translation>
    </message>
    <message>
        <source>Beschriftet Linien
Linien beschriften</source>
        <translation>Labels lines
Label lines</translation>
    </message>
    <message>
        <source>Beschriftet Flächen
Flächen beschriften</source>
        <translation>Labels areas
Label areas</translation>
    </message>
    <message>
        <source>Markieren Sie einen Punkt auf der Karte, um diesen zu suchen.
Punkt suchen</source>
        <translation>Mark a point on the map to find it.
Find point</translation>
    </message>
    <message>
        <source>Löscht die ausgewählten Objekte.
Löschen</source>
        <translation>Deletes the selected objects.
Delete</translation>
    </message>
    <message>
        <source>Macht die letzte Änderung rückgängig.
Rückgängig</source>
        <translation>Undoes the last change.
Undo</translation>
    </message>
    <message>
        <source>Stellt die zuletzt rückgängig gemachte Änderung wieder her.
Wiederherstellen</source>
        <translation>Redoes the last undone change.
Redo</translation>
    </message>
    <message>
        <source>&quot;OpenStreetMap&quot;, &quot;Google Maps&quot; und &quot;Virtual Earth&quot; können nur mit dem Koordinatensystem &quot;WGS84&quot; genutzt werden!</source>
        <translation>&quot;OpenStreetMap&quot;, &quot;Google Maps&quot; and &quot;Virtual Earth&quot; can only be used with the coordinate system &quot;WGS84&quot;!</translation>
    </message>
    <message>
        <source>Haftungsausschluss</source>
        <translation>Disclaimer</translation>
    </message>
    <message>
        <source>Die Urheberrechte für den Dienst &quot;Google Maps&quot; liegen bei Google. Ob und wie Sie diesen Dienst nutzen dürfen, ist in den Nutzungsbedingungen von Google festgelegt. Informieren Sie sich vor der Nutzung des Dienstes über die rechtlichen Bedingungen.

Der Hersteller dieser Software gibt keine Garantie, dass Sie diesen Dienst nutzen können und dürfen und schließt jede Haftung für die Nutzung des Dienstes aus.

Sie haben sich über die Nutzungsbedingungen informiert und möchten den Dienst nutzen?</source>
        <translation>The copyright of the service &quot;Google Maps&quot; belongs to Google. Whether and how you may use this service is laid down in the terms of use of Google. Find out about the legal conditions before using the service.

The maker of this software gives no guarantee that you can and may use this service and excludes all liability for the use of the service.

Have you read the terms of use and do you want to use the service?</translation>
    </message>
    <message>
        <source>Die Urheberrechte für den Dienst &quot;Virtual Earth&quot; liegen bei Microsoft. Ob und wie Sie diesen Dienst nutzen dürfen, ist in den Nutzungsbedingungen von Microsoft festgelegt. Informieren Sie sich vor der Nutzung des Dienstes über die rechtlichen Bedingungen.

Der Hersteller dieser Software gibt keine Garantie, dass Sie diesen Dienst nutzen können und dürfen und schließt jede Haftung für die Nutzung des Dienstes aus.

Sie haben sich über die Nutzungsbedingungen informiert und möchten den Dienst nutzen?</source>
        <translation>The copyright of the service &quot;Virtual Earth&quot; belongs to Microsoft. Whether and how you may use this service is laid down in the terms of use of Microsoft. Find out about the legal conditions before using the service.

The maker of this software gives no guarantee that you can and may use this service and excludes all liability for the use of the service.

Have you read the terms of use and do you want to use the service?</translation>
    </message>
    <message>
        <source>Google Maps ein-/ausschalten
Schaltet Google Maps als Hintergrundbild ein bzw. aus.</source>
        <translation>Switch Google Maps on/off
Switches Google Maps as the background picture on or off.</translation>
    </message>
    <message>
        <source>OpenStreetMap ein-/ausschalten
Schaltet OpenSteetMap als Hintergrundbild ein bzw. aus.</source>
        <translation>Switch OpenStreetMap on/off
Switches OpenStreetMap as the background picture on or off.</translation>
    </message>
    <message>
        <source>Virtual Earth ein-/ausschalten
Schaltet Virtual Earth als Hintergrundbild ein bzw. aus.</source>
        <translation>Switch Virtual Earth on/off
Switches Virtual Earth as the background picture on or off.</translation>
    </message>
</context>
<context>
    <name>korvel::CAboutDlg</name>
    <message>
        <source>Info über Korvel</source>
        <translation>About Korvel</translation>
    </message>
    <message>
        <source>Kartenblock für die Vermessung im Gelände</source>
        <translation>Map pad for surveying in the field</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>korvel::CCoordSysDlg</name>
    <message>
        <source>Unbekannt(Lokal)</source>
        <translation>Unknown (local)</translation>
    </message>
    <message>
        <source>Koordinatensystem</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>Wählen Sie das Koordinatensystem:</source>
        <translation>Choose the coordinate system:</translation>
    </message>
    <message>
        <source>Kopie anlegen</source>
        <translation>Make a copy</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>korvel::CExportShapeDlg</name>
    <message>
        <source>Shape - Export</source>
        <translation>Shape - Export</translation>
    </message>
    <message>
        <source>Dateiname für Punkt-Datei:</source>
        <translation>File name for the point file:</translation>
    </message>
    <message>
        <source>Dateiname für Linien-Datei:</source>
        <translation>File name for the line file:</translation>
    </message>
    <message>
        <source>Dateiname für Flächen-Datei:</source>
        <translation>File name for the area file:</translation>
    </message>
</context>
<context>
    <name>korvel::CExportZento</name>
    <message>
        <source>ZENTO - Export</source>
        <translation>ZENTO - Export</translation>
    </message>
    <message>
        <source>Markieren Sie die Infotexte für &amp;Flächen</source>
        <translation>Select the info texts for &amp;areas</translation>
    </message>
    <message>
        <source>Markieren Sie die Infotexte für &amp;Punkte</source>
        <translation>Select the info texts for &amp;points</translation>
    </message>
    <message>
        <source>Zusätzlich Fläche mit &amp;allen Punkten exportieren</source>
        <translation>Also export an area with a&amp;ll points</translation>
    </message>
</context>
<context>
    <name>korvel::CLabelDlg</name>
    <message>
        <source>Beschriften</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Texteingabe</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Infofeld</source>
        <translation>Attribute</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>korvel::CMainFrame</name>
    <message>
        <source>&amp;Bilder</source>
        <translation>&amp;Images</translation>
    </message>
    <message>
        <source>&amp;Laden</source>
        <translation>&amp;Load</translation>
    </message>
    <message>
        <source>&amp;Neu	Strg+N</source>
        <translation>&amp;New	Ctrl+N</translation>
    </message>
    <message>
        <source>Ö&amp;ffnen...	Strg+O</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>Schl&amp;ießen</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>&amp;Speichern	Strg+S</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>Speichern &amp;unter...</source>
        <translation>Save &amp;as...</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Zoom</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>&amp;Import/Export</source>
        <translation>&amp;Import/Export</translation>
    </message>
    <message>
        <source>&amp;Vermessung</source>
        <translation>&amp;Surveying</translation>
    </message>
    <message>
        <source>&amp;Wiederherstellen</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>S&amp;tatusleiste</source>
        <translation>S&amp;tatus bar</translation>
    </message>
    <message>
        <source>&amp;Satellitenansicht</source>
        <translation>Sa&amp;tellite view</translation>
    </message>
    <message>
        <source>&amp;Kompass</source>
        <translation>&amp;Compass</translation>
    </message>
    <message>
        <source>&amp;GPS-Einstellungen</source>
        <translation>&amp;GPS settings</translation>
    </message>
    <message>
        <source>GPS &amp;aktiv</source>
        <translation>GPS &amp;active</translation>
    </message>
    <message>
        <source>Koordinatensystem</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>Ü&amp;berlappend</source>
        <translation>&amp;Cascade</translation>
    </message>
    <message>
        <source>&amp;Nebeneinander</source>
        <translation>&amp;Tile</translation>
    </message>
    <message>
        <source>Inf&amp;o über Korvel...</source>
        <translation>&amp;About Korvel...</translation>
    </message>
    <message>
        <source>&amp;Ansicht</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Symbolleiste</source>
        <translation>&amp;Tool bars</translation>
    </message>
    <message>
        <source>&amp;Fenster</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>&amp;Sprache</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>&amp;Hilfe</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Drucken...	Strg+P</source>
        <translation>&amp;Print...	Ctrl+P</translation>
    </message>
    <message>
        <source>Seitenans&amp;icht</source>
        <translation>Print pre&amp;view</translation>
    </message>
    <message>
        <source>Ausschnitt ver&amp;größern</source>
        <translation>Zoom &amp;in</translation>
    </message>
    <message>
        <source>Ausschnitt ver&amp;kleinern</source>
        <translation>Zoom &amp;out</translation>
    </message>
    <message>
        <source>Ausschnitt ver&amp;schieben</source>
        <translation>&amp;Pan</translation>
    </message>
    <message>
        <source>&amp;Alles anzeigen</source>
        <translation>Show &amp;all</translation>
    </message>
    <message>
        <source>E&amp;xtras</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>Drucker&amp;einrichtung...</source>
        <translation>Print Set&amp;up...</translation>
    </message>
    <message>
        <source>&amp;Handheld (ZENTO)...</source>
        <translation>&amp;Handheld (ZENTO)...</translation>
    </message>
    <message>
        <source>&amp;GIS (Shape-Format)...</source>
        <translation>&amp;GIS (shapefile)...</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Import</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>&amp;Export</translation>
    </message>
    <message>
        <source>&amp;Messen</source>
        <translation>&amp;Measure</translation>
    </message>
    <message>
        <source>&amp;Punkt messen	F5</source>
        <translation>Measure &amp;point	F5</translation>
    </message>
    <message>
        <source>&amp;Linie/Fläche messen	F6</source>
        <translation>Measure &amp;line/area	F6</translation>
    </message>
    <message>
        <source>Position &amp;zeigen	F7</source>
        <translation>&amp;Show position	F7</translation>
    </message>
    <message>
        <source>Pause	F9</source>
        <translation>Pause	F9</translation>
    </message>
    <message>
        <source>Messung b&amp;eenden	F11</source>
        <translation>&amp;End measurement	F11</translation>
    </message>
    <message>
        <source>&amp;GPS-Austausch (GPX)...</source>
        <translation>&amp;GPS exchange (GPX)...</translation>
    </message>
    <message>
        <source>&amp;Bearbeiten</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Punkte</source>
        <translation>&amp;Points</translation>
    </message>
    <message>
        <source>&amp;Linien</source>
        <translation>&amp;Lines</translation>
    </message>
    <message>
        <source>&amp;Flächen</source>
        <translation>&amp;Areas</translation>
    </message>
    <message>
        <source>&amp;Texte</source>
        <translation>&amp;Texts</translation>
    </message>
    <message>
        <source>&amp;Rückgängig	Strg+Z</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>&amp;Wiederherstellen	Strg+Y</source>
        <translation>&amp;Redo	Ctrl+Y</translation>
    </message>
    <message>
        <source>&amp;Löschen	Entf</source>
        <translation>&amp;Delete	Del</translation>
    </message>
    <message>
        <source>Objekt &amp;auswählen</source>
        <translation>&amp;Select object</translation>
    </message>
    <message>
        <source>Text &amp;drehen</source>
        <translation>&amp;Rotate text</translation>
    </message>
    <message>
        <source>&amp;Erzeugen</source>
        <translation>&amp;Create</translation>
    </message>
    <message>
        <source>&amp;Beschriften</source>
        <translation>&amp;Label</translation>
    </message>
    <message>
        <source>Alle &amp;löschen</source>
        <translation>&amp;Delete all</translation>
    </message>
    <message>
        <source>&amp;Schriftart</source>
        <translation>&amp;Font</translation>
    </message>
    <message>
        <source>Punkt &amp;suchen</source>
        <translation>&amp;Find point</translation>
    </message>
    <message>
        <source>&amp;Online-Karte</source>
        <translation>&amp;Online map</translation>
    </message>
    <message>
        <source>Google Maps</source>
        <translation>Google Maps</translation>
    </message>
    <message>
        <source>OpenStreetMap</source>
        <translation>OpenStreetMap</translation>
    </message>
    <message>
        <source>Virtual Earth (Satellit)</source>
        <translation>Virtual Earth (Satellite)</translation>
    </message>
    <message>
        <source>Virtual Earth (Karten)</source>
        <translation>Virtual Earth (Maps)</translation>
    </message>
</context>
<context>
    <name>korvel::CManualPointDlg</name>
    <message>
        <source>Punkt erzeugen</source>
        <translation>Create point</translation>
    </message>
    <message>
        <source>Longitude:</source>
        <translation>Longitude:</translation>
    </message>
    <message>
        <source>Rechts:</source>
        <translation>Easting:</translation>
    </message>
    <message>
        <source>Latitude:</source>
        <translation>Latitude:</translation>
    </message>
    <message>
        <source>Hoch:</source>
        <translation>Northing:</translation>
    </message>
    <message>
        <source>Punkt-Nr.:</source>
        <translation>Point no.:</translation>
    </message>
    <message>
        <source>Automatisch nummerieren</source>
        <translation>Number automatically</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>korvel::CPrintSetupDlg</name>
    <message>
        <source>Druckereinrichtung</source>
        <translation>Print Setup</translation>
    </message>
    <message>
        <source>Drucker</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>%1 (Standarddrucker)</source>
        <translation>%1 (default printer)</translation>
    </message>
    <message>
        <source>PDF-Datei</source>
        <translation>PDF file</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>Papier</source>
        <translation>Paper</translation>
    </message>
    <message>
        <source>&amp;Größe:</source>
        <translation>Si&amp;ze:</translation>
    </message>
    <message>
        <source>Orientierung</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <source>&amp;Hochformat</source>
        <translation>P&amp;ortrait</translation>
    </message>
    <message>
        <source>&amp;Querformat</source>
        <translation>L&amp;andscape</translation>
    </message>
</context>
<context>
    <name>korvel::DialogButtons</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>korvel::ExportFolderRow</name>
    <message>
        <source>&amp;Verzeichnis:</source>
        <translation>&amp;Folder:</translation>
    </message>
    <message>
        <source>Verzeichnis wählen</source>
        <translation>Choose folder</translation>
    </message>
</context>
</TS>
