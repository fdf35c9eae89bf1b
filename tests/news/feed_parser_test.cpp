#include "news/feed_document.h"
#include "news/feed_parser.h"
#include "news/html_entities.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using tarvo::FeedListing;
using tarvo::parseFeed;

namespace {

QByteArray rss2(const QByteArray& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Channel</title>"
           "<link>http://example.org/</link>" +
           items + "</channel></rss>";
}

QByteArray item(const QByteArray& title, const QByteArray& link) {
    return "<item><title>" + title + "</title><link>" + link + "</link></item>";
}

QStringList strings(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* s : list)
        out.append(QString::fromUtf8(s));
    return out;
}

} // namespace

TEST(FeedParser, ListsItemsInDocumentOrderEachFollowedBySpace) {
    const FeedListing l = parseFeed(
        rss2(item("One", "http://a/1") + item("Two", "http://a/2") + item("Three", "http://a/3")),
        true);
    EXPECT_EQ(l.headlines, strings({"One ", "Two ", "Three "}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/2 ", "http://a/3 "}));
}

TEST(FeedParser, FirstTitleAmongAllDescendantsWins) {
    const FeedListing l =
        parseFeed(rss2("<item><source><title>Nested</title></source><title>Own</title>"
                       "<link>http://a/1</link></item>"),
                  true);
    EXPECT_EQ(l.headlines, strings({"Nested "}));
    EXPECT_EQ(l.links, strings({"http://a/1 "}));
}

TEST(FeedParser, ItemWithoutLinkEndsListingAfterItsHeadline) {
    const FeedListing l =
        parseFeed(rss2(item("One", "http://a/1") + "<item><title>Two</title></item>" +
                       item("Three", "http://a/3")),
                  true);
    EXPECT_EQ(l.headlines, strings({"One ", "Two "}));
    EXPECT_EQ(l.links, strings({"http://a/1 "}));
}

TEST(FeedParser, FirstItemWithoutTitleListsNothing) {
    const FeedListing l =
        parseFeed(rss2("<item><link>http://a/1</link></item>" + item("Two", "http://a/2")), true);
    EXPECT_TRUE(l.headlines.isEmpty());
    EXPECT_TRUE(l.links.isEmpty());
}

TEST(FeedParser, DocumentsWithoutItemsListNothing) {
    const QByteArray atom = "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
                            "<entry><title>A</title><link href=\"http://a/\"/></entry></feed>";
    const QByteArray html = "<!DOCTYPE html><html><body><p>Not a feed<br></p></body></html>";
    for (const QByteArray& doc : {atom, html, QByteArray(), QByteArray("plain text"),
                                  rss2(item("Cut", "off")).chopped(10)}) {
        const FeedListing l = parseFeed(doc, true);
        EXPECT_TRUE(l.headlines.isEmpty()) << doc.constData();
        EXPECT_TRUE(l.links.isEmpty());
    }
}

TEST(FeedParser, OfflineListsDescriptionsAndKeepsLinksAligned) {
    const FeedListing l =
        parseFeed(rss2("<item><title>T1</title><description>D1</description><link>L1</link></item>"
                       "<item><title>T2</title><description>D2</description></item>"
                       "<item><description>D3</description><link>L3</link></item>"
                       "<item><title>T4</title></item>"
                       "<item><description>D5</description><link>L5</link></item>"),
                  false);
    EXPECT_EQ(l.headlines, strings({"D1 ", "D2 ", "D3 "}));
    EXPECT_EQ(l.links, strings({"L1 ", "", "L3 "}));
}

TEST(FeedParser, Rss091WithHtmlEntitiesAndItsDoctype) {
    const QByteArray doc = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                           "<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\"\n"
                           " \"http://my.netscape.com/publish/formats/rss-0.91.dtd\">\n"
                           "<rss version=\"0.91\"><channel><title>Old</title>"
                           "<item><title>Caf&eacute;&nbsp;news&hellip; &amp; more &copy;</title>"
                           "<link>http://a/?x=1&amp;y=2</link></item>"
                           "<item><title>Caf\xe9 in Latin-1</title><link>http://a/2</link></item>"
                           "</channel></rss>";
    const FeedListing l = parseFeed(doc, true);
    EXPECT_EQ(l.headlines, QStringList({QString::fromUtf8("Café\u00a0news… & more © "),
                                        QString::fromUtf8("Café in Latin-1 ")}));
    EXPECT_EQ(l.links, strings({"http://a/?x=1&y=2 ", "http://a/2 "}));
}

TEST(FeedParser, UnknownUndeclaredEntityFailsTheLoad) {
    EXPECT_TRUE(parseFeed(rss2(item("A &bogus; B", "l")), true).headlines.isEmpty());
    // Entity names are case-sensitive, as in HTML.
    EXPECT_TRUE(parseFeed(rss2(item("A &EACUTE; B", "l")), true).headlines.isEmpty());
}

TEST(FeedParser, Rss10ItemsBesideTheChannel) {
    const QByteArray doc =
        "<?xml version=\"1.0\"?>"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns=\"http://purl.org/rss/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<channel rdf:about=\"http://a/\"><title>C</title><link>http://a/</link>"
        "<items><rdf:Seq><rdf:li resource=\"http://a/1\"/></rdf:Seq></items></channel>"
        "<item rdf:about=\"http://a/1\"><dc:title>not this</dc:title><title>First</title>"
        "<link>http://a/1</link></item>"
        "<item rdf:about=\"http://a/2\"><title>Second</title><link>http://a/2</link></item>"
        "</rdf:RDF>";
    const FeedListing l = parseFeed(doc, true);
    EXPECT_EQ(l.headlines, strings({"First ", "Second "}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/2 "}));
}

TEST(FeedParser, CdataAndCharacterReferencesGiveText) {
    const FeedListing l =
        parseFeed(rss2(item("<![CDATA[<b>Bold</b> & &eacute;]]>", "http://a/1") +
                       item("&#1575;&#x644; &#38; &lt;x&gt;", "<![CDATA[http://a/?q=1&r=2]]>")),
                  true);
    EXPECT_EQ(l.headlines, QStringList({QStringLiteral("<b>Bold</b> & &eacute; "),
                                        QString::fromUtf8("ال & <x> ")}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/?q=1&r=2 "}));
}

TEST(FeedParser, ArabicInUtf8AndInDeclaredWindows1256) {
    const QString title = QString::fromUtf8("الأخبار العاجلة");
    const QByteArray utf8 = rss2(item(title.toUtf8(), "http://a/1"));
    QStringEncoder to1256("windows-1256");
    ASSERT_TRUE(to1256.isValid());
    const QByteArray arabic = to1256(title);
    const QByteArray cp1256 =
        "<?xml version=\"1.0\" encoding=\"Windows-1256\"?><rss><channel><item><title>" + arabic +
        "</title><link>http://a/1</link></item></channel></rss>";
    EXPECT_EQ(parseFeed(utf8, true).headlines, QStringList({title + u' '}));
    EXPECT_EQ(parseFeed(cp1256, true).headlines, QStringList({title + u' '}));
    // The same bytes without the declaration are not UTF-8: the load fails.
    EXPECT_TRUE(parseFeed(cp1256.mid(cp1256.indexOf("?>") + 2), true).headlines.isEmpty());
}

TEST(FeedParser, Utf16WithByteOrderMark) {
    QString text = QString::fromUtf8(rss2(item("سلام", "http://a/1")));
    text.replace(QStringLiteral("<?xml version=\"1.0\"?>"),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"));
    QByteArray bytes("\xff\xfe");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(parseFeed(bytes, true).headlines, QStringList({QString::fromUtf8("سلام ")}));
}

TEST(FeedParser, EntityExpansionDocumentsFailTheLoad) {
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                  QByteArray("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    laughs += "]>" + rss2(item("&lol9;", "http://a/")).mid(21);

    const QByteArray big(4096, 'x');
    QByteArray quadratic = "<!DOCTYPE rss [<!ENTITY a \"" + big +
                           "\">]><rss><channel><item><title>" + QByteArray("&a;").repeated(100000) +
                           "</title><link>l</link></item></channel></rss>";

    // A declared entity that the parser would have expanded, and a parameter entity.
    const QByteArray declared = "<!DOCTYPE rss [<!ENTITY name \"x\"><!ENTITY % p \"\"> %p;]>" +
                                rss2(item("&name;", "l")).mid(21);
    for (const QByteArray& doc : {laughs, quadratic, declared}) {
        const FeedListing l = parseFeed(doc, true);
        EXPECT_TRUE(l.headlines.isEmpty());
        EXPECT_TRUE(l.links.isEmpty());
    }
}

TEST(FeedParser, DoctypeIsIgnoredNotActedOn) {
    // The subset's quotes, comments and brackets do not end the declaration early.
    const QByteArray doc = "<!DOCTYPE rss SYSTEM \"http://example.org/x].dtd\" [\n"
                           "<!-- ]> -->\n<!ENTITY e \"]>\">\n<?pi ]> ?>\n]>" +
                           rss2(item("Kept", "http://a/1")).mid(21);
    EXPECT_EQ(parseFeed(doc, true).headlines, strings({"Kept "}));
    const QByteArray unterminated = "<!DOCTYPE rss [<!ENTITY e \"x\">" + rss2(item("A", "l"));
    EXPECT_TRUE(parseFeed(unterminated, true).headlines.isEmpty());
}

TEST(FeedParser, DeepNestingAndOversizedMarkupAreRefused) {
    const int levels = 100000;
    const QByteArray deep = "<rss><channel><item><title>T</title><link>l</link>" +
                            QByteArray("<x>").repeated(levels) +
                            QByteArray("</x>").repeated(levels) + "</item></channel></rss>";
    EXPECT_TRUE(parseFeed(deep, true).headlines.isEmpty());

    QByteArray manyAttributes = "<rss><channel><item";
    for (int i = 0; i < 100000; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"\"";
    manyAttributes += "><title>T</title><link>l</link></item></channel></rss>";
    EXPECT_TRUE(parseFeed(manyAttributes, true).headlines.isEmpty());

    const QByteArray manyElements = rss2(item("T", "l") + QByteArray("<x/>").repeated(350000));
    EXPECT_TRUE(parseFeed(manyElements, true).headlines.isEmpty());

    // Well inside the limits, a real feed's shape is accepted.
    QByteArray items;
    for (int i = 0; i < 2000; ++i)
        items += item("T" + QByteArray::number(i), "l");
    EXPECT_EQ(parseFeed(rss2(items), true).headlines.size(), 2000);
}

TEST(FeedDocument, EntitiesInsideMarkupOtherThanTextAreLeftAlone) {
    const QByteArray doc = "<a t=\"&eacute;\"><!-- &eacute; --><?p &eacute;?>&eacute;</a>";
    const std::optional<QByteArray> out = tarvo::prepareFeedDocument(doc);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, QByteArray("<a t=\"&#233;\"><!-- &eacute; --><?p &eacute;?>&#233;</a>"));
}

TEST(HtmlEntities, NamesTheHtml4Characters) {
    using tarvo::htmlEntityCodePoint;
    EXPECT_EQ(htmlEntityCodePoint(u"nbsp"), U'\u00a0');
    EXPECT_EQ(htmlEntityCodePoint(u"yuml"), U'\u00ff');
    EXPECT_EQ(htmlEntityCodePoint(u"Yuml"), U'\u0178');
    EXPECT_EQ(htmlEntityCodePoint(u"Omega"), U'\u03a9');
    EXPECT_EQ(htmlEntityCodePoint(u"sigmaf"), U'\u03c2');
    EXPECT_EQ(htmlEntityCodePoint(u"thetasym"), U'\u03d1');
    EXPECT_EQ(htmlEntityCodePoint(u"rlm"), U'\u200f');
    EXPECT_EQ(htmlEntityCodePoint(u"euro"), U'\u20ac');
    EXPECT_EQ(htmlEntityCodePoint(u"diams"), U'\u2666');
    EXPECT_FALSE(htmlEntityCodePoint(u"apos")); // XML's, not HTML 4's
    EXPECT_FALSE(htmlEntityCodePoint(u"nbs"));
    EXPECT_FALSE(htmlEntityCodePoint(u"nbspx"));
    EXPECT_FALSE(htmlEntityCodePoint(u"thetasyms"));
    EXPECT_FALSE(htmlEntityCodePoint(u""));
}

TEST(FeedParser, AttributesCountTowardsTheMarkupLimit) {
    tarvo::FeedDocumentLimits limits;
    limits.maxMarkup = 16;
    QByteArray attributes;
    for (int i = 0; i < 9; ++i)
        attributes += " a" + QByteArray::number(i) + "='1'";
    // rss, channel, item, title, link: 5 elements, and the item's attributes.
    const auto doc = [&](const QByteArray& extra) {
        return "<rss><channel><item" + attributes + extra +
               "><title>T</title><link>l</link></item></channel></rss>";
    };
    EXPECT_EQ(parseFeed(doc(""), true, limits).headlines.size(), 1);
    EXPECT_EQ(parseFeed(doc(" z='1' y='2'"), true, limits).headlines.size(), 1); // 16
    EXPECT_EQ(parseFeed(doc(" z='1' y='2' w='3'"), true, limits).headlines.size(), 0);

    // Spread over many tags, each well within the per-tag limit, they still add up.
    QByteArray tag = "<x";
    for (int i = 0; i < 200; ++i)
        tag += " a" + QByteArray::number(i) + "=\"\"";
    tag += "/>";
    EXPECT_TRUE(parseFeed(rss2(item("T", "l") + tag.repeated(2000)), true).headlines.isEmpty());
}

TEST(FeedParser, NestedItemsAndTitlesCannotMultiplyTheWork) {
    // Every item's first title lies past the same large subtree: one read passes it once,
    // and the innermost title is the first of every item around it.
    const int levels = 60;
    const QByteArray lateTitles =
        rss2(QByteArray("<item>").repeated(levels) + QByteArray("<x/>").repeated(30000) +
             QByteArray("<title>t</title><link>l</link></item>").repeated(levels));
    FeedListing l = parseFeed(lateTitles, true);
    EXPECT_EQ(l.headlines.size(), levels);
    EXPECT_EQ(l.headlines.first(), u"t ");
    EXPECT_EQ(l.links.size(), levels);

    // Every item's first title holds the same large text.
    const QByteArray nestedTitles =
        rss2(QByteArray("<item><link>l</link><title>").repeated(levels) + QByteArray(100000, 'x') +
             QByteArray("</title></item>").repeated(levels));
    l = parseFeed(nestedTitles, true);
    EXPECT_TRUE(l.headlines.isEmpty());
    EXPECT_TRUE(l.links.isEmpty());

    // A few nested items with their titles first still list, each with its own title.
    const QByteArray fewNested = rss2("<item><title>Outer</title><link>o</link>"
                                      "<item><title>Inner</title><link>i</link></item></item>");
    EXPECT_EQ(parseFeed(fewNested, true).headlines, strings({"Outer ", "Inner "}));
}

namespace {
// Nesting one level past the limit, after a stretch that hides end tags from any reading
// that ends the construct around them too early.
QByteArray nestedPast(const QByteArray& hiding, int hiddenEndTags) {
    const int levels = 64 + hiddenEndTags;
    return "<rss><channel>" + hiding + QByteArray("<x>").repeated(levels - 2) + "<item>" +
           "<title>T</title><link>l</link></item>" + QByteArray("</x>").repeated(levels - 2) +
           "</channel></rss>";
}
} // namespace

TEST(FeedParser, WhatHidesEndTagsFromAScanCannotLiftTheNestingLimit) {
    const QByteArray endTags = QByteArray("</x>").repeated(20);
    const QByteArray hidings[] = {
        "<!-->" + endTags + "-->",  // a comment closed by its own opening
        "<!--->" + endTags + "-->", // and with one more dash
        "<a t=\"-->" + QByteArray(endTags).replace('<', "&lt;") + "\"/>", // an attribute value
        "<![CDATA[<!--]]>" + endTags + "-->", // a comment opening inside CDATA
        "<![CDATA[" + endTags + "]]>",        // end tags inside CDATA
        "<?pi ?" + endTags + "?>",            // a "?" inside an instruction
        "<!-- " + endTags + " -->",           // the plain comment
    };
    for (const QByteArray& hiding : hidings) {
        EXPECT_TRUE(parseFeed(nestedPast(hiding, 20), true).headlines.isEmpty())
            << hiding.toStdString();
        // The same document within the limit lists its item, or is refused as a whole
        // where the stretch is not well-formed: never more levels than the limit.
        const FeedListing within = parseFeed(nestedPast(hiding, -4), true);
        EXPECT_LE(within.headlines.size(), 1) << hiding.toStdString();
    }
    EXPECT_EQ(parseFeed(nestedPast("<!-- plain -->", -4), true).headlines, strings({"T "}));
}

TEST(FeedParser, TheMeasuredHostileDocumentIsRefused) {
    // 100,000 end tags hidden in "<!-->", then 100,000 levels: 1.1 MB.
    const int levels = 100000;
    const QByteArray hostile = "<rss><channel><!-->" + QByteArray("</x>").repeated(levels) + "-->" +
                               QByteArray("<x>").repeated(levels) +
                               QByteArray("</x>").repeated(levels) + "</channel></rss>";
    EXPECT_GT(hostile.size(), 1000000);
    EXPECT_TRUE(parseFeed(hostile, true).headlines.isEmpty());
}

TEST(FeedParser, ACancelledReadListsNothing) {
    QByteArray items;
    for (int i = 0; i < 20000; ++i)
        items += item("T", "l");
    std::atomic<bool> cancelled(true);
    EXPECT_TRUE(parseFeed(rss2(items), true, {}, &cancelled).headlines.isEmpty());
    cancelled = false;
    EXPECT_EQ(parseFeed(rss2(items), true, {}, &cancelled).headlines.size(), 20000);
}
