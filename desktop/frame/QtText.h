#pragma once

#include <QString>

#include <string>

// Engine text is UTF-8; Qt's is QString.
inline QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Multi-line text as definitions hold it: CR LF line breaks.
inline std::string WithCrLf(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace('\n', QLatin1String("\r\n"));
    return result.toStdString();
}
