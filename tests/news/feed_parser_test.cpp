#include "news/feed_document.h"
#include "news/feed_fast_reader.h"
#include "news/feed_parser.h"
#include "news/html_entities.h"

#include <gtest/gtest.h>

using tarvo::FeedListing;

namespace {

// "الأخبار العاجلة" as the Arabic Windows code page writes it.
const QByteArray kBreakingNewsIn1256("\xC7\xE1\xC3\xCE\xC8\xC7\xD1 \xC7\xE1\xDA\xC7\xCC\xE1\xC9");

// Every document of these tests is read both ways: the fast reader must list exactly what
// the full XML reader lists, whichever of them decides.
FeedListing listFeed(const QByteArray& document, bool isOnline,
                     const tarvo::FeedDocumentLimits& limits = {},
                     const std::atomic<bool>* cancelled = nullptr, const QByteArray& charset = {}) {
    const FeedListing listing = tarvo::parseFeed(document, isOnline, limits, cancelled, charset);
    if (!cancelled) {
        const FeedListing full = tarvo::parseFeedFully(document, isOnline, limits, charset);
        EXPECT_EQ(listing.headlines, full.headlines) << document.left(300).toStdString();
        EXPECT_EQ(listing.links, full.links) << document.left(300).toStdString();
    }
    return listing;
}

// Whether the fast reader judges the document itself, rather than leaving it to the full one.
bool readFast(const QByteArray& document) {
    const std::optional<QByteArray> text = tarvo::decodeFeedDocument(document);
    tarvo::ListingBuilder builder(true, {}, 1 << 30);
    qint64 preparedSize = 0;
    return text &&
           tarvo::readFeedFast(*text, builder, nullptr, preparedSize) == tarvo::FastRead::Listed;
}

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
    const FeedListing l = listFeed(
        rss2(item("One", "http://a/1") + item("Two", "http://a/2") + item("Three", "http://a/3")),
        true);
    EXPECT_EQ(l.headlines, strings({"One ", "Two ", "Three "}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/2 ", "http://a/3 "}));
}

TEST(FeedParser, FirstTitleAmongAllDescendantsWins) {
    const FeedListing l =
        listFeed(rss2("<item><source><title>Nested</title></source><title>Own</title>"
                      "<link>http://a/1</link></item>"),
                 true);
    EXPECT_EQ(l.headlines, strings({"Nested "}));
    EXPECT_EQ(l.links, strings({"http://a/1 "}));
}

TEST(FeedParser, ItemWithoutLinkEndsListingAfterItsHeadline) {
    const FeedListing l =
        listFeed(rss2(item("One", "http://a/1") + "<item><title>Two</title></item>" +
                      item("Three", "http://a/3")),
                 true);
    EXPECT_EQ(l.headlines, strings({"One ", "Two "}));
    EXPECT_EQ(l.links, strings({"http://a/1 "}));
}

TEST(FeedParser, FirstItemWithoutTitleListsNothing) {
    const FeedListing l =
        listFeed(rss2("<item><link>http://a/1</link></item>" + item("Two", "http://a/2")), true);
    EXPECT_TRUE(l.headlines.isEmpty());
    EXPECT_TRUE(l.links.isEmpty());
}

TEST(FeedParser, DocumentsWithoutItemsListNothing) {
    const QByteArray atom = "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
                            "<entry><title>A</title><link href=\"http://a/\"/></entry></feed>";
    const QByteArray html = "<!DOCTYPE html><html><body><p>Not a feed<br></p></body></html>";
    for (const QByteArray& doc : {atom, html, QByteArray(), QByteArray("plain text"),
                                  rss2(item("Cut", "off")).chopped(10)}) {
        const FeedListing l = listFeed(doc, true);
        EXPECT_TRUE(l.headlines.isEmpty()) << doc.constData();
        EXPECT_TRUE(l.links.isEmpty());
    }
}

TEST(FeedParser, OfflineListsDescriptionsAndKeepsLinksAligned) {
    const FeedListing l =
        listFeed(rss2("<item><title>T1</title><description>D1</description><link>L1</link></item>"
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
    const FeedListing l = listFeed(doc, true);
    EXPECT_EQ(l.headlines, QStringList({QString::fromUtf8("Café\u00a0news… & more © "),
                                        QString::fromUtf8("Café in Latin-1 ")}));
    EXPECT_EQ(l.links, strings({"http://a/?x=1&y=2 ", "http://a/2 "}));
}

TEST(FeedParser, UnknownUndeclaredEntityFailsTheLoad) {
    EXPECT_TRUE(listFeed(rss2(item("A &bogus; B", "l")), true).headlines.isEmpty());
    // Entity names are case-sensitive, as in HTML.
    EXPECT_TRUE(listFeed(rss2(item("A &EACUTE; B", "l")), true).headlines.isEmpty());
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
    const FeedListing l = listFeed(doc, true);
    EXPECT_EQ(l.headlines, strings({"First ", "Second "}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/2 "}));
}

TEST(FeedParser, CdataAndCharacterReferencesGiveText) {
    const FeedListing l =
        listFeed(rss2(item("<![CDATA[<b>Bold</b> & &eacute;]]>", "http://a/1") +
                      item("&#1575;&#x644; &#38; &lt;x&gt;", "<![CDATA[http://a/?q=1&r=2]]>")),
                 true);
    EXPECT_EQ(l.headlines, QStringList({QStringLiteral("<b>Bold</b> & &eacute; "),
                                        QString::fromUtf8("ال & <x> ")}));
    EXPECT_EQ(l.links, strings({"http://a/1 ", "http://a/?q=1&r=2 "}));
}

TEST(FeedParser, ArabicInUtf8AndInDeclaredWindows1256) {
    const QString title = QString::fromUtf8("الأخبار العاجلة");
    const QByteArray utf8 = rss2(item(title.toUtf8(), "http://a/1"));
    const QByteArray arabic = kBreakingNewsIn1256;
    const QByteArray cp1256 =
        "<?xml version=\"1.0\" encoding=\"Windows-1256\"?><rss><channel><item><title>" + arabic +
        "</title><link>http://a/1</link></item></channel></rss>";
    EXPECT_EQ(listFeed(utf8, true).headlines, QStringList({title + u' '}));
    EXPECT_EQ(listFeed(cp1256, true).headlines, QStringList({title + u' '}));
    // The same bytes without the declaration are not UTF-8: the load fails.
    EXPECT_TRUE(listFeed(cp1256.mid(cp1256.indexOf("?>") + 2), true).headlines.isEmpty());
    const QByteArray iso = "<?xml version='1.0' encoding='ISO-8859-6'?><rss><channel>" +
                           item("\xC7\xE4\xC3\xCE\xC8\xC7\xD1 \xC7\xE4\xD9\xC7\xCC\xE4\xC9", "l") +
                           "</channel></rss>";
    EXPECT_EQ(listFeed(iso, true).headlines, QStringList({title + u' '}));
}

TEST(FeedParser, Utf16WithByteOrderMark) {
    QString text = QString::fromUtf8(rss2(item("سلام", "http://a/1")));
    text.replace(QStringLiteral("<?xml version=\"1.0\"?>"),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"));
    QByteArray bytes("\xff\xfe");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(listFeed(bytes, true).headlines, QStringList({QString::fromUtf8("سلام ")}));
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
        const FeedListing l = listFeed(doc, true);
        EXPECT_TRUE(l.headlines.isEmpty());
        EXPECT_TRUE(l.links.isEmpty());
    }
}

TEST(FeedParser, DoctypeIsIgnoredNotActedOn) {
    // The subset's quotes, comments and brackets do not end the declaration early.
    const QByteArray doc = "<!DOCTYPE rss SYSTEM \"http://example.org/x].dtd\" [\n"
                           "<!-- ]> -->\n<!ENTITY e \"]>\">\n<?pi ]> ?>\n]>" +
                           rss2(item("Kept", "http://a/1")).mid(21);
    EXPECT_EQ(listFeed(doc, true).headlines, strings({"Kept "}));
    const QByteArray unterminated = "<!DOCTYPE rss [<!ENTITY e \"x\">" + rss2(item("A", "l"));
    EXPECT_TRUE(listFeed(unterminated, true).headlines.isEmpty());
}

TEST(FeedParser, DeepNestingAndOversizedMarkupAreRefused) {
    const int levels = 100000;
    const QByteArray deep = "<rss><channel><item><title>T</title><link>l</link>" +
                            QByteArray("<x>").repeated(levels) +
                            QByteArray("</x>").repeated(levels) + "</item></channel></rss>";
    EXPECT_TRUE(listFeed(deep, true).headlines.isEmpty());

    QByteArray manyAttributes = "<rss><channel><item";
    for (int i = 0; i < 100000; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"\"";
    manyAttributes += "><title>T</title><link>l</link></item></channel></rss>";
    EXPECT_TRUE(listFeed(manyAttributes, true).headlines.isEmpty());

    const QByteArray manyElements = rss2(item("T", "l") + QByteArray("<x/>").repeated(350000));
    EXPECT_TRUE(listFeed(manyElements, true).headlines.isEmpty());

    // Well inside the limits, a real feed's shape is accepted.
    QByteArray items;
    for (int i = 0; i < 2000; ++i)
        items += item("T" + QByteArray::number(i), "l");
    EXPECT_EQ(listFeed(rss2(items), true).headlines.size(), 2000);
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
    EXPECT_EQ(listFeed(doc(""), true, limits).headlines.size(), 1);
    EXPECT_EQ(listFeed(doc(" z='1' y='2'"), true, limits).headlines.size(), 1); // 16
    EXPECT_EQ(listFeed(doc(" z='1' y='2' w='3'"), true, limits).headlines.size(), 0);

    // Spread over many tags, each well within the per-tag limit, they still add up.
    QByteArray tag = "<x";
    for (int i = 0; i < 200; ++i)
        tag += " a" + QByteArray::number(i) + "=\"\"";
    tag += "/>";
    EXPECT_TRUE(listFeed(rss2(item("T", "l") + tag.repeated(2000)), true).headlines.isEmpty());
}

TEST(FeedParser, NestedItemsAndTitlesCannotMultiplyTheWork) {
    // Every item's first title lies past the same large subtree: one read passes it once,
    // and the innermost title is the first of every item around it.
    const int levels = 60;
    const QByteArray lateTitles =
        rss2(QByteArray("<item>").repeated(levels) + QByteArray("<x/>").repeated(30000) +
             QByteArray("<title>t</title><link>l</link></item>").repeated(levels));
    FeedListing l = listFeed(lateTitles, true);
    EXPECT_EQ(l.headlines.size(), levels);
    EXPECT_EQ(l.headlines.first(), u"t ");
    EXPECT_EQ(l.links.size(), levels);

    // Every item's first title holds the same large text.
    const QByteArray nestedTitles =
        rss2(QByteArray("<item><link>l</link><title>").repeated(levels) + QByteArray(100000, 'x') +
             QByteArray("</title></item>").repeated(levels));
    l = listFeed(nestedTitles, true);
    EXPECT_TRUE(l.headlines.isEmpty());
    EXPECT_TRUE(l.links.isEmpty());

    // A few nested items with their titles first still list, each with its own title.
    const QByteArray fewNested = rss2("<item><title>Outer</title><link>o</link>"
                                      "<item><title>Inner</title><link>i</link></item></item>");
    EXPECT_EQ(listFeed(fewNested, true).headlines, strings({"Outer ", "Inner "}));
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
        EXPECT_TRUE(listFeed(nestedPast(hiding, 20), true).headlines.isEmpty())
            << hiding.toStdString();
        // The same document within the limit lists its item, or is refused as a whole
        // where the stretch is not well-formed: never more levels than the limit.
        const FeedListing within = listFeed(nestedPast(hiding, -4), true);
        EXPECT_LE(within.headlines.size(), 1) << hiding.toStdString();
    }
    EXPECT_EQ(listFeed(nestedPast("<!-- plain -->", -4), true).headlines, strings({"T "}));
}

TEST(FeedParser, TheMeasuredHostileDocumentIsRefused) {
    // 100,000 end tags hidden in "<!-->", then 100,000 levels: 1.1 MB.
    const int levels = 100000;
    const QByteArray hostile = "<rss><channel><!-->" + QByteArray("</x>").repeated(levels) + "-->" +
                               QByteArray("<x>").repeated(levels) +
                               QByteArray("</x>").repeated(levels) + "</channel></rss>";
    EXPECT_GT(hostile.size(), 1000000);
    EXPECT_TRUE(listFeed(hostile, true).headlines.isEmpty());
}

TEST(FeedParser, ACancelledReadListsNothing) {
    QByteArray items;
    for (int i = 0; i < 20000; ++i)
        items += item("T", "l");
    std::atomic<bool> cancelled(true);
    EXPECT_TRUE(listFeed(rss2(items), true, {}, &cancelled).headlines.isEmpty());
    cancelled = false;
    EXPECT_EQ(listFeed(rss2(items), true, {}, &cancelled).headlines.size(), 20000);
}

TEST(FeedParser, BlanksAndAByteOrderMarkBeforeTheDeclarationAreAccepted) {
    const QString title = QString::fromUtf8("خبر");
    const QByteArray body = rss2(item(title.toUtf8(), "http://a/1"));
    for (const QByteArray& lead : {QByteArray("\n"), QByteArray("  \r\n\t"),
                                   QByteArray("\xEF\xBB\xBF\n "), QByteArray("\xEF\xBB\xBF")}) {
        const FeedListing l = listFeed(lead + body, true);
        EXPECT_EQ(l.headlines, QStringList({title + u' '})) << lead.toHex().toStdString();
        EXPECT_EQ(l.links, QStringList({"http://a/1 "}));
    }
    // Declared encodings still hold behind the blanks.
    const QByteArray cp1256 = "\r\n<?xml version=\"1.0\" encoding=\"windows-1256\"?>" +
                              QByteArray("<rss><channel>") + item("\xCE\xC8\xD1", "l") +
                              "</channel></rss>";
    EXPECT_EQ(listFeed(cp1256, true).headlines, QStringList({title + u' '}));
    // UTF-16 with its mark, then a line break.
    QString text = QString::fromUtf8("\n" + body);
    QByteArray utf16("\xff\xfe");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(listFeed(utf16, true).headlines, QStringList({title + u' '}));
    // Other text before the declaration is still not a feed.
    EXPECT_TRUE(listFeed("x\n" + body, true).headlines.isEmpty());
}

TEST(FeedParser, TheTransportCharsetAppliesWhereTheDocumentNamesNone) {
    const QString title = QString::fromUtf8("الأخبار العاجلة");
    const QByteArray items = "<rss><channel>" + item(kBreakingNewsIn1256, "l") + "</channel></rss>";
    const QStringList expected{title + u' '};
    EXPECT_EQ(listFeed(items, true, {}, nullptr, "windows-1256").headlines, expected);
    EXPECT_EQ(
        listFeed("<?xml version=\"1.0\"?>" + items, true, {}, nullptr, "Windows-1256").headlines,
        expected);
    // Without it these bytes are not UTF-8; a charset nobody knows is taken for UTF-8.
    EXPECT_TRUE(listFeed(items, true).headlines.isEmpty());
    EXPECT_TRUE(listFeed(items, true, {}, nullptr, "x-unknown").headlines.isEmpty());
    // The document's own declaration and byte-order mark come first.
    const QByteArray utf8 = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel>" +
                            item(title.toUtf8(), "l") + "</channel></rss>";
    EXPECT_EQ(listFeed(utf8, true, {}, nullptr, "windows-1256").headlines, expected);
    const QByteArray declared = "<?xml version=\"1.0\" encoding=\"windows-1256\"?>" + items;
    EXPECT_EQ(listFeed(declared, true, {}, nullptr, "utf-8").headlines, expected);
    EXPECT_EQ(listFeed("\xEF\xBB\xBF" + utf8.mid(utf8.indexOf("?>") + 2), true, {}, nullptr,
                       "windows-1256")
                  .headlines,
              expected);
}

// The shapes real feeds have are read in the one fast pass; were they left to the full
// reader, the listing would be the same but several times slower.
TEST(FeedParser, RealFeedShapesAreReadFast) {
    const QByteArray podcast =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?xml-stylesheet href=\"s.xsl\"?>\n"
        "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
        "xmlns:atom=\"http://www.w3.org/2005/Atom\" xmlns:content=\"http://purl.org/rss/1.0/"
        "modules/content/\"><channel><title>P</title><atom:link href=\"http://a/f\" "
        "rel=\"self\"/><itunes:image href=\"http://a/i.jpg\"/>\r\n<!-- generated -->"
        "<item><title>Ep &amp; one &#8211; &eacute;t&eacute;</title><link>http://a/1?a=1&amp;b=2"
        "</link><content:encoded><![CDATA[<p>Notes</p>]]></content:encoded>"
        "<enclosure url=\"http://a/1.mp3\" length=\"12\" type=\"audio/mpeg\"/>"
        "<guid isPermaLink=\"false\">x</guid></item></channel></rss>\n";
    EXPECT_TRUE(readFast(podcast));
    EXPECT_EQ(listFeed(podcast, true).headlines,
              QStringList({QString::fromUtf8("Ep & one \u2013 \u00e9t\u00e9 ")}));
    const QByteArray rss091 =
        "<?xml version=\"1.0\"?><!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS "
        "0.91//EN\" \"http://my.netscape.com/publish/formats/rss-0.91.dtd\"><rss version=\"0.91\">"
        "<channel>" +
        item("A&nbsp;B", "l") + "</channel></rss>";
    EXPECT_TRUE(readFast(rss091));
    EXPECT_TRUE(readFast(rss2(item("<![CDATA[x]]>", "l"))));
    // Atom-style default namespaces and xml:lang are ordinary too.
    EXPECT_TRUE(readFast("<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                         "xmlns=\"http://purl.org/rss/1.0/\"><item xml:lang=\"ar\"><title>t"
                         "</title></item></rdf:RDF>"));
}

TEST(FeedParser, UnusualDocumentsAreLeftToTheFullReader) {
    // Each is judged the same both ways (see parseFeed above); here, by the full reader.
    for (const char* document :
         {"<rss><channel><item><title>a\x01b</title><link>l</link></item></channel></rss>",
          "<rss><channel><item><title>a]]>b</title><link>l</link></item></channel></rss>",
          "<rss><channel><item><title>&#9;</title><link>l</link></item></channel></rss>",
          "<rss><channel><\xD8\xB9 x=\"1\"/><item><title>t</title><link>l</link></item>"
          "</channel></rss>",
          "<rss><p:x xmlns:p=\"u\" xmlns:q=\"u\" p:a=\"1\" q:a=\"2\"/></rss>",
          "<rss><channel><item><title>t</title><link>l</link></item></channel></rss>junk",
          "<rss><!-- a -- b --></rss>"}) {
        EXPECT_FALSE(readFast(document)) << document;
        listFeed(document, true);
        listFeed(document, false);
    }
    // What the full reader accepts is listed, from whichever reader.
    const QByteArray arabicNames = "<rss><channel><\xD8\xB9/><item><title>t</title><link>l</link>"
                                   "</item></channel></rss>";
    EXPECT_EQ(listFeed(arabicNames, true).headlines, QStringList({"t "}));
}

// The XML reader checks each attribute of a tag against all before it: a tag of a million
// would keep it busy for most of an hour. Past the limit a tag is refused before that read.
TEST(FeedParser, ATagWithMoreAttributesThanTheLimitIsRefusedByEitherReader) {
    auto tag = [](const QByteArray& name, int attributes, int declarations) {
        QByteArray t = "<" + name;
        for (int i = 0; i < declarations; ++i)
            t += " xmlns:p" + QByteArray::number(i) + "=\"u\"";
        for (int i = 0; i < attributes; ++i)
            t += " a" + QByteArray::number(i) + "=\"v\"";
        return t + "/>";
    };
    const QByteArray listed = item("T", "L");
    for (const QByteArray& first : {QByteArray(), QByteArray("<\xD8\xB9/>")}) {
        // Namespace declarations are not attributes to the reader, nor to the limit.
        const QByteArray atLimit = rss2(first + tag("x", 256, 40) + listed);
        EXPECT_EQ(listFeed(atLimit, true).headlines, QStringList({"T "}));
        const QByteArray over = rss2(first + tag("x", 257, 0) + listed);
        EXPECT_TRUE(listFeed(over, true).headlines.isEmpty());
        EXPECT_EQ(readFast(atLimit), first.isEmpty());
    }
    const std::optional<QByteArray> text = tarvo::decodeFeedDocument(rss2(tag("x", 257, 0)));
    ASSERT_TRUE(text);
    EXPECT_FALSE(tarvo::prepareFeedDocument(*text, 256));
    EXPECT_TRUE(tarvo::prepareFeedDocument(*text, 257));
}

// U+FEFF inside text is a character like any other: only the document's first bytes can be
// a byte order mark. Both readers keep it wherever a run of text starts with it: after a
// line end (the fuzzer's case, behind a comment and an instruction), a reference, a tag,
// and where a reference stands for it.
TEST(FeedParser, AByteOrderMarkCharacterInTextIsKeptByBothReaders) {
    const QByteArray bom = "\xEF\xBB\xBF";
    const QString mark(QChar(0xFEFF));
    const std::pair<QByteArray, QString> cases[] = {
        {"A\r" + bom + "\nB", "A\n" + mark + "\nB "},
        {bom + "B", mark + "B "},
        {bom + bom + "B\r\n" + bom, mark + mark + "B\n" + mark + " "},
        {"a&amp;" + bom + "B", "a&" + mark + "B "},
        {"<![CDATA[" + bom + "B\r" + bom + "]]>", mark + "B\n" + mark + " "},
        // By reference too, and a character beyond the first plane beside it.
        {"&#xFEFF;B&#65279;&#x1F600;",
         mark + "B" + mark + QString::fromUcs4(U"\U0001F600", 1) + " "},
    };
    for (const auto& [title, headline] : cases) {
        const QByteArray document =
            "<rss><channel><!--c--><?p x?>" + item(title, "l") + "</channel></rss>";
        EXPECT_TRUE(readFast(document)) << title.toStdString();
        EXPECT_EQ(listFeed(document, true).headlines, QStringList({headline}))
            << title.toStdString();
    }
}
