// Build tool: turns the program's XPM pictures into C++ arrays of their pixels, so that the
// program wraps them in images at start-up instead of reading XPM text each time.
//
//   picture_pixels OUTPUT.cpp NAME=FILE.xpm[,#RRGGBB] ...
//
// Each NAME becomes a function `QImage NAME()` in namespace quorvane, defined in OUTPUT.cpp and
// declared in editor/Pictures.h. A colour after the file is left out of the picture: its pixels
// become transparent.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <QTextStream>
#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "picture_pixels: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return fail(QStringLiteral("usage: picture_pixels OUTPUT.cpp NAME=FILE.xpm[,#RRGGBB] ..."));
    QString text;
    QTextStream out(&text);
    out << "// Made by tools/PicturePixels.cpp from the pictures in resources/; not to be edited.\n"
           "#include \"editor/Pictures.h\"\n\n"
           "#include <cstdint>\n\n"
           "namespace quorvane {\n";
    for (int i = 2; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const qsizetype equals = argument.indexOf(u'=');
        if (equals <= 0)
            return fail(QStringLiteral("not NAME=FILE: ") + argument);
        const QString name = argument.left(equals);
        QString file = argument.mid(equals + 1);
        QColor transparent;
        if (const qsizetype comma = file.lastIndexOf(u','); comma >= 0) {
            transparent = QColor::fromString(file.mid(comma + 1));
            file.truncate(comma);
            if (!transparent.isValid())
                return fail(QStringLiteral("not a colour: ") + argument);
        }
        QImage image(file, "XPM");
        if (image.isNull())
            return fail(QStringLiteral("cannot read ") + file);
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        out << "\nnamespace {\nconst std::uint32_t " << name << "Pixels[] = {";
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                QRgb pixel = line[x];
                if (transparent.isValid() && pixel == transparent.rgba())
                    pixel = 0;
                out << ((y * image.width() + x) % 8 == 0 ? "\n    " : " ") << "0x"
                    << QString::number(pixel, 16).rightJustified(8, u'0') << "u,";
            }
        }
        out << "\n};\n} // namespace\n\n"
            << "QImage " << name << "() {\n"
            << "    return QImage(reinterpret_cast<const uchar*>(" << name << "Pixels), "
            << image.width() << ", " << image.height() << ", " << image.width() * 4
            << ", QImage::Format_ARGB32_Premultiplied);\n}\n";
    }
    out << "\n} // namespace quorvane\n";
    out.flush();

    QSaveFile output(QString::fromLocal8Bit(argv[1]));
    if (!output.open(QIODevice::WriteOnly) || output.write(text.toUtf8()) < 0 || !output.commit())
        return fail(QStringLiteral("cannot write ") + QString::fromLocal8Bit(argv[1]));
    return 0;
}
