<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>PanelTexts</name>
    <message numerus="yes">
        <source>+%n more alerts</source>
        <translation>
            <numerusform>+%n more alerts</numerusform>
            <numerusform>+%n more alerts</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>+%n more</source>
        <translation>
            <numerusform>+%n more</numerusform>
            <numerusform>+%n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation>
            <numerusform>%n year ago</numerusform>
            <numerusform>%n years ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation>
            <numerusform>%n month ago</numerusform>
            <numerusform>%n months ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n week(s) ago</source>
        <translation>
            <numerusform>%n week ago</numerusform>
            <numerusform>%n weeks ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n second(s) ago</source>
        <translation>
            <numerusform>%n second ago</numerusform>
            <numerusform>%n seconds ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n year(s)</source>
        <translation>
            <numerusform>in %n year</numerusform>
            <numerusform>in %n years</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n month(s)</source>
        <translation>
            <numerusform>in %n month</numerusform>
            <numerusform>in %n months</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n week(s)</source>
        <translation>
            <numerusform>in %n week</numerusform>
            <numerusform>in %n weeks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n day(s)</source>
        <translation>
            <numerusform>in %n day</numerusform>
            <numerusform>in %n days</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n hour(s)</source>
        <translation>
            <numerusform>in %n hour</numerusform>
            <numerusform>in %n hours</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n minute(s)</source>
        <translation>
            <numerusform>in %n minute</numerusform>
            <numerusform>in %n minutes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>in %n second(s)</source>
        <translation>
            <numerusform>in %n second</numerusform>
            <numerusform>in %n seconds</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n more copies</source>
        <translation>
            <numerusform>%n more copies</numerusform>
            <numerusform>%n more copies</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n alerts at once</source>
        <translation>
            <numerusform>%n alerts at once</numerusform>
            <numerusform>%n alerts at once</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message numerus="yes">
        <source>%n alert(s) waiting</source>
        <translation>
            <numerusform>%n alert waiting</numerusform>
            <numerusform>%n alerts waiting</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n steps left</source>
        <translation>
            <numerusform>%n steps left</numerusform>
            <numerusform>%n steps left</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SyncStatus</name>
    <message numerus="yes">
        <source>Passed %n message(s) the backend already holds after %1 repeated duplicate-guid rejections</source>
        <translation>
            <numerusform>Passed %n message(s) the backend already holds after %1 repeated duplicate-guid rejections</numerusform>
            <numerusform>Passed %n message(s) the backend already holds after %1 repeated duplicate-guid rejections</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Dropped %n message(s) the backend refused: %1</source>
        <translation>
            <numerusform>Dropped %n message(s) the backend refused: %1</numerusform>
            <numerusform>Dropped %n message(s) the backend refused: %1</numerusform>
        </translation>
    </message>
</context>
</TS>
