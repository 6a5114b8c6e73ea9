#include "ui/form_about.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QtMath>

#include "platform/window_size.h"
#include "ui/accessibility.h"
#include "ui/colors.h"
#include "ui/fonts.h"
#include "ui/svg_icon.h"
#include "ui/widget_lightlabel.h"
#include "ui/window_placement.h"

namespace {

QLabel* place_label(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

// Links: blue and underlined at rest, red and underlined under the pointer
// and while pressed, always on the button face.
void set_up_link(TLightLabel* link, TJumpType type, const QString& target, int left, int top) {
  QFont font = zarvel::proportional_font(12);
  font.setUnderline(true);
  const QPalette& palette = link->palette();
  const QColor face = palette.color(QPalette::Button);
  // On a dark button face the blue and red give way to colours that read
  // there. The red of a pointer over the link only needs to stand out.
  const QColor rest =
      zarvel::readable_on(face, {Qt::blue, palette.color(QPalette::Link), palette.color(QPalette::ButtonText)});
  const QColor hot =
      zarvel::readable_on(face, {Qt::red, QColor(255, 120, 120), palette.color(QPalette::ButtonText)}, 3);
  link->setCursor(Qt::PointingHandCursor);
  link->setLightColor(face);
  link->setLightFont({font, hot});
  link->setClickColor(face);
  link->setClickFont({font, hot});
  link->setDefaultColor(face);
  link->setDefaultFont({font, rest});
  link->setJumpType(type);
  link->setJumpTo(target);
  link->setText(target);
  link->move(left, top);
  link->adjustSize();
  // In a font with a taller line the links' boxes overlap: a later link
  // lies below the earlier ones, so its face does not cover their underline.
  link->lower();
}

// The program's icon, stretched to the given size, drawn for the screen's
// pixels so that it stays sharp on a scaled desktop.
QPixmap program_icon(int width, int height) {
  const qreal ratio = qApp->devicePixelRatio();
  const QSize pixels(qCeil(width * ratio), qCeil(height * ratio));
  QImage image = zarvel::render_svg(QStringLiteral(":/icons/zarvel.svg"), pixels);
  if (image.isNull()) {
    image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
  }
  QPixmap pixmap = QPixmap::fromImage(std::move(image));
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowIcon(zarvel::svg_icon(QStringLiteral(":/icons/zarvel.svg")));
  setFont(zarvel::proportional_font(12));
  setFixedSize(294, 160);
  zarvel::keep_fixed_size(this);
  setModal(true);

  Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(8, 8, 278, 117);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setGeometry(47, 11, 39, 37);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(program_icon(39, 37));

  ProductName = place_label(Panel1, QStringLiteral("zarvel "), 97, 21);
  Version = place_label(Panel1, QStringLiteral("Version 0.74a"), 139, 21);

  Label1 = place_label(Panel1, QStringLiteral("E-Mail :"), 54, 56);
  LightLabel1 = new TLightLabel(Panel1);
  set_up_link(LightLabel1, jtMail, QString::fromLatin1(kMailAddress), 97, 55);

  Label2 = place_label(Panel1, QStringLiteral("URL :"), 54, 72);
  LightLabel2 = new TLightLabel(Panel1);
  set_up_link(LightLabel2, jtHome, QString::fromLatin1(kWebPage), 87, 71);

  Copyright = place_label(Panel1, QStringLiteral("Copyright (C) zarvel developers"), 54, 90);
  QPalette black = Copyright->palette();
  black.setColor(QPalette::WindowText,
                 zarvel::readable_on(black.color(QPalette::Window), {Qt::black, black.color(QPalette::WindowText)}));
  Copyright->setPalette(black);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setGeometry(109, 130, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  // The links by the keyboard too, after OK, which keeps the first focus.
  for (TLightLabel* link : {LightLabel1, LightLabel2}) link->setFocusPolicy(Qt::TabFocus);
  setTabOrder(OKButton, LightLabel1);
  setTabOrder(LightLabel1, LightLabel2);
  OKButton->setFocus();
  zarvel::name_controls(this);  // fields by their captions, for screen readers
}

// The whole window, title bar included, goes to the middle of the screen.
void TAboutBox::showEvent(QShowEvent* event) {
  zarvel::centre_on_screen(this);
  QDialog::showEvent(event);
}
